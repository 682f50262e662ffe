#include "tools/clarivo-cli/backup_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/process.h"

namespace cli {
namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

bool IsNonEmptyFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string TimestampName(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char name[32];
  std::strftime(name, sizeof(name), "%y%m%d%H%M%S", &local);
  return name;
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

std::string DefaultBackupRoot() {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data_home != nullptr && data_home[0] == '/') {
    base = data_home;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.local/share";
  }
  return base + "/Quorvex-Clarivo/backups";
}

bool MakeDirectories(const std::string& path, std::string* error) {
  if (path.empty()) {
    *error = "empty folder name";
    return false;
  }
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string prefix = path.substr(0, end);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = "cannot create folder " + prefix + ": " + ErrnoText(errno);
      return false;
    }
    if (end == std::string::npos) break;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *error = "cannot create folder " + path + ": not a folder";
    return false;
  }
  return true;
}

std::optional<std::string> CreateBackupFolder(const std::string& root, std::string* error) {
  if (!MakeDirectories(root, error)) return std::nullopt;
  const std::string base = root.back() == '/' ? root : root + "/";
  // A few seconds at most: more folders "from the future" mean a clock problem.
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t now = std::time(nullptr);
    const std::string folder = base + TimestampName(now);
    if (mkdir(folder.c_str(), 0700) == 0) return folder;
    if (errno != EEXIST) {
      *error = "cannot create backup folder " + folder + ": " + ErrnoText(errno);
      return std::nullopt;
    }
    while (std::time(nullptr) == now) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  *error =
      "cannot create a new backup folder under " + root + ": folders for the coming seconds exist already";
  return std::nullopt;
}

bool ExportBackup(const std::string& folder, std::string* error) {
  struct Export {
    const char* file;
    const char* root;
  };
  for (const Export& e :
       {Export{kMachineFile, "HKEY_LOCAL_MACHINE"}, Export{kUserFile, "HKEY_CURRENT_USER"}}) {
    const std::string path = folder + "/" + e.file;
    const std::string what = std::string("export of ") + e.root + " to " + path;
    if (!RunRegedit("/e " + platform::QuoteForShell(path) + " " + e.root, what, error)) return false;
    if (!IsNonEmptyFile(path)) {
      *error = what + ": clarivo-regedit reported success but left no file";
      return false;
    }
  }
  return true;
}

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

void RemoveBackupFolder(const std::string& folder) {
  for (const char* file : {kMachineFile, kUserFile}) unlink((folder + "/" + file).c_str());
  rmdir(folder.c_str());
}

}  // namespace cli
