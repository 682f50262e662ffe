#include "app/core/disk_object.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace clarivo {
namespace {

constexpr char kInternalError[] = "CDiskObject internal error";

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  return text.substr(start);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool CDiskObject::Fail(int error_code, const std::string& path) {
  error_ = Trimmed(std::strerror(error_code));
  if (!path.empty()) error_ += " " + path;
  return false;
}

bool CDiskObject::CreateDirectory(const std::string& path) {
  if (path.empty()) {
    error_ = kInternalError;
    return false;
  }
  // No change of the current directory: other threads rely on it.
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string level = path.substr(0, end);
    if (!level.empty() && !IsFolder(level) && mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
      return Fail(errno, level);
    }
    if (end == std::string::npos) break;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return Fail(errno, path);
  if (!S_ISDIR(info.st_mode)) return Fail(ENOTDIR, path);
  return true;
}

bool CDiskObject::RemoveDirectories(const std::string& path) {
  if (path.empty()) {
    error_ = kInternalError;
    return false;
  }
  std::string root = path;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (!IsFolder(root)) return Fail(ENOTDIR, root);

  // Collect every folder below the root first, then empty and remove them from
  // the last collected (deepest) to the first, and the root itself last.
  std::vector<std::string> folders;
  for (std::size_t i = 0; i <= folders.size(); ++i) {
    const std::string current = i == 0 ? root : folders[i - 1];
    DIR* dir = opendir(current.c_str());
    if (dir == nullptr) return Fail(errno, current);
    std::vector<std::string> found;
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (IsFolder(current + "/" + name)) found.push_back(current + "/" + name);
    }
    closedir(dir);
    folders.insert(folders.end(), found.begin(), found.end());
  }
  folders.insert(folders.begin(), root);
  // Deepest folders first. Not `folders | std::views::reverse`: clang-tidy's parser
  // rejects libstdc++ 12's reverse view.
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {  // NOLINT(modernize-loop-convert)
    DIR* dir = opendir(it->c_str());
    if (dir == nullptr) return Fail(errno, *it);
    std::vector<std::string> files;
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == ".." || IsFolder(*it + "/" + name)) continue;
      files.push_back(*it + "/" + name);
    }
    closedir(dir);
    for (const std::string& file : files) {
      if (unlink(file.c_str()) != 0) return Fail(errno, file);
    }
    if (rmdir(it->c_str()) != 0) return Fail(errno, *it);
  }
  return true;
}

}  // namespace clarivo
