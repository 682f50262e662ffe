#include "platform/wineserver_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace platform {
namespace {

std::string ServerFolderName(const std::string& prefix_dir) {
  std::ifstream in(prefix_dir + "/wineserver");
  std::string name;
  if (in && std::getline(in, name)) {
    while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
    if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != "..") return name;
  }
  return ".wine-" + std::to_string(getuid());
}

}  // namespace

std::string WineserverLockPath(const std::string& prefix_dir) {
  struct stat st;
  if (stat(prefix_dir.c_str(), &st) != 0) return {};
  char server[96];
  std::snprintf(server, sizeof server, "/server-%llx-%llx/lock", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return "/tmp/" + ServerFolderName(prefix_dir) + server;
}

bool LockFileHeld(const std::string& lock_path) {
  int fd = open(lock_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  bool held = fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  close(fd);
  return held;
}

std::vector<std::string> WineserverLockPaths(const std::string& prefix_dir) {
  std::vector<std::string> paths;
  std::string lock = WineserverLockPath(prefix_dir);
  if (lock.empty()) return paths;
  paths.push_back(lock);
  // Without Debian's pointer file the server uses the standard folder.
  struct stat st;
  if (stat(prefix_dir.c_str(), &st) != 0) return paths;
  char server[96];
  std::snprintf(server, sizeof server, "/server-%llx-%llx/lock", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  std::string standard = "/tmp/.wine-" + std::to_string(getuid()) + server;
  if (standard != lock) paths.push_back(std::move(standard));
  return paths;
}

bool WineserverRunning(const std::string& prefix_dir) {
  for (const std::string& lock : WineserverLockPaths(prefix_dir)) {
    if (LockFileHeld(lock)) return true;
  }
  return false;
}

}  // namespace platform
