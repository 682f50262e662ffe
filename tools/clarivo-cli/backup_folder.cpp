#include "tools/clarivo-cli/backup_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "app/core/restore_point_store.h"

namespace cli {
namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

}  // namespace

bool BackupFiles(const std::string& folder, std::vector<std::string>* files, std::string* error) {
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *error = "backup folder " + folder + " does not exist";
    return false;
  }
  for (const char* file : {kMachineFile, kUserFile}) {
    const std::string path = (folder.ends_with("/") ? folder : folder + "/") + file;
    if (stat(path.c_str(), &info) != 0 && errno == ENOENT) continue;
    if (access(path.c_str(), R_OK) != 0) {
      *error = "cannot read " + path + ": " + ErrnoText(errno);
      return false;
    }
    files->push_back(path);
  }
  if (files->empty()) {
    *error = "backup folder " + folder + " holds neither " + kMachineFile + " nor " + kUserFile;
    return false;
  }
  return true;
}

std::string RecordedSource(const std::string& folder) {
  std::ifstream in(folder + "/" + clarivo::kSourceFileName);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

}  // namespace cli
