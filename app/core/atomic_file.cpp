#include "app/core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/atomic_write.h"

namespace clarivo {
namespace {

void SetError(std::string* error, const std::string& what, const std::string& path, int err) {
  if (error) *error = what + " " + path + ": " + std::strerror(err);
}

}  // namespace

bool MakeDirectories(const std::string& path, int mode, std::string* error) {
  if (path.empty()) return true;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    std::string part = path.substr(0, pos);
    if (part.empty()) continue;
    if (mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) {
      SetError(error, "cannot create folder", part, errno);
      return false;
    }
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    SetError(error, "cannot reach folder", path, errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetError(error, "cannot use folder", path, ENOTDIR);
    return false;
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, int mode, std::string* error) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  if (!MakeDirectories(dir, 0700, error)) return false;
  // The platform's replace: temporaries of killed writers are cleaned up, a
  // symbolic link is written through.
  const platform::FileReplacement replacement{path, content, static_cast<mode_t>(mode)};
  std::string reason;
  if (platform::ReplaceFiles({&replacement, 1}, &reason)) {
    // A file that existed keeps its mode; these files hold the user's data only.
    chmod(platform::ResolveWriteTarget(path, nullptr).c_str(), static_cast<mode_t>(mode));
    return true;
  }
  if (error) *error = reason;
  return false;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) SetError(error, "cannot open", path, errno);
    return std::nullopt;
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetError(error, "cannot read", path, errno);
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return content;
}

}  // namespace clarivo
