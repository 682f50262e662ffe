// The user's own list of prefixes, kept beside the program's profile.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/launcher_files.h"
#include "platform/prefix_discovery.h"

namespace platform {
namespace {

std::optional<std::string> RealPathOf(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::string out(resolved);
  free(resolved);
  return out;
}

// The same folder: the same text, or both resolve to one real folder.
bool SameFolder(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::optional<std::string> ra = RealPathOf(a);
  const std::optional<std::string> rb = RealPathOf(b);
  return ra && rb && *ra == *rb;
}

bool MakeFolders(const std::string& path, std::string* error) {
  std::size_t pos = 1;
  while (pos <= path.size()) {
    std::size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = "cannot create " + part + ": " + std::strerror(errno);
      return false;
    }
    pos = slash + 1;
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = "cannot create " + path + ": a file is in the way";
    return false;
  }
  return true;
}

// Replaces the list in one step: a reader sees the old list or the new one.
bool WriteList(const std::string& path, const std::vector<std::string>& dirs, std::string* error) {
  const std::size_t slash = path.find_last_of('/');
  if (!MakeFolders(path.substr(0, slash), error)) return false;
  std::string text = "# Wine prefixes added by hand, one folder a line.\n";
  for (const std::string& dir : dirs) text += dir + "\n";
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = true;
  for (std::size_t done = 0; ok && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  const int saved = errno;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
  *error = "cannot write " + path + ": " + std::strerror(ok ? errno : saved);
  unlink(temp.c_str());
  return false;
}

std::string AbsolutePath(const std::string& dir) {
  std::string full = dir;
  if (!dir.empty() && dir[0] != '/') {
    if (char* cwd = getcwd(nullptr, 0)) {
      full = std::string(cwd) + "/" + dir;
      free(cwd);
    }
  }
  while (full.size() > 1 && full.back() == '/') full.pop_back();
  return full;
}

}  // namespace

std::string UserPrefixListPath(const DiscoveryPlaces& places) {
  return places.config_home + "/Quorvex-Clarivo/prefixes";
}

std::vector<std::string> UserAddedPrefixes(const DiscoveryPlaces& places) {
  std::vector<std::string> dirs;
  if (places.config_home.empty()) return dirs;
  const std::optional<std::string> text = ReadSmallFile(UserPrefixListPath(places));
  if (!text) return dirs;
  std::size_t pos = 0;
  while (pos < text->size()) {
    std::size_t end = text->find('\n', pos);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != '/') continue;  // comments, blank and relative lines
    dirs.push_back(line);
  }
  return dirs;
}

bool AddUserPrefix(const DiscoveryPlaces& places, const std::string& dir, std::string* error) {
  const std::string path = AbsolutePath(dir);
  std::string reason;
  if (path.find('\n') != std::string::npos || !IsWinePrefix(path, &reason)) {
    *error = "no Wine prefix at " + path + ": " + (reason.empty() ? "the name holds a line break" : reason);
    return false;
  }
  std::vector<std::string> dirs = UserAddedPrefixes(places);
  for (const std::string& listed : dirs) {
    if (SameFolder(listed, path)) return true;
  }
  dirs.push_back(path);
  return WriteList(UserPrefixListPath(places), dirs, error);
}

bool RemoveUserPrefix(const DiscoveryPlaces& places, const std::string& dir, std::string* error) {
  const std::string path = AbsolutePath(dir);
  std::vector<std::string> dirs = UserAddedPrefixes(places);
  const std::size_t before = dirs.size();
  std::erase_if(dirs, [&](const std::string& listed) { return listed == dir || SameFolder(listed, path); });
  if (dirs.size() == before) {
    *error = path + " is not among the prefixes added by hand";
    return false;
  }
  return WriteList(UserPrefixListPath(places), dirs, error);
}

}  // namespace platform
