#include "tools/clarivo-cli/backup_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/process.h"

namespace cli {
namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Runs clarivo-regedit with `arguments` (already quoted) through the command
// interpreter and waits for it. False with `error` naming what failed.
bool RunRegedit(const std::string& arguments, const std::string& what, std::string* error) {
  const std::string tool = platform::ToolPath("clarivo-regedit");
  if (tool.find('/') == std::string::npos) {
    *error = what + ": clarivo-regedit is neither beside clarivo-cli nor on PATH";
    return false;
  }
  const platform::RunResult result = platform::RunHidden(platform::QuoteForShell(tool) + " " + arguments);
  if (!result.started) {
    *error = what + ": cannot start the command interpreter: " + ErrnoText(result.error);
    return false;
  }
  if (result.exit_code != 0) {
    *error = what + ": " + tool + " failed with exit status " + std::to_string(result.exit_code);
    return false;
  }
  return true;
}

}  // namespace

bool ImportBackup(const std::string& folder, std::vector<std::string>* imported, std::string* error) {
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *error = "backup folder " + folder + " does not exist";
    return false;
  }
  bool any = false;
  for (const char* file : {kMachineFile, kUserFile}) {
    const std::string path = folder + "/" + file;
    if (!IsFile(path)) continue;
    any = true;
    if (!RunRegedit("/s " + platform::QuoteForShell(path), "import of " + path, error)) return false;
    imported->push_back(file);
  }
  if (!any) {
    *error = "backup folder " + folder + " holds neither " + kMachineFile + " nor " + kUserFile;
    return false;
  }
  return true;
}

}  // namespace cli
