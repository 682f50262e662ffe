#include "platform/path_mapping.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "platform/text.h"

namespace platform {
namespace {

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// The real folder behind a drive letter, or empty when the drive leads nowhere.
std::string DriveFolder(const std::string& prefix_dir, char16_t letter) {
  const char lower = static_cast<char>(letter >= u'A' && letter <= u'Z' ? letter - u'A' + 'a' : letter);
  const std::string link = prefix_dir + "/dosdevices/" + lower + ":";
  std::unique_ptr<char, decltype(&free)> real(realpath(link.c_str(), nullptr), &free);
  if (!real) return {};
  struct stat st;
  if (stat(real.get(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  return real.get();
}

// The entry of `folder` whose name equals `name` without case; empty if none.
// Several candidates (possible on Linux) resolve to the first in byte order.
std::string FindNoCase(const std::string& folder, std::u16string_view name) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return {};
  std::string best;
  while (const dirent* entry = readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (EqualsNoCase(ToUtf16(candidate), name) && (best.empty() || candidate < best)) best = candidate;
  }
  closedir(dir);
  return best;
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

}  // namespace

WinePathMapper::WinePathMapper(std::string prefix_dir) : prefix_dir_(std::move(prefix_dir)) {}

WinePathMapper::Result WinePathMapper::Map(std::u16string_view windows_path) const {
  Result result;
  // A Windows string ends at its first NUL.
  windows_path = windows_path.substr(0, windows_path.find(u'\0'));
  if (windows_path.empty()) return result;
  if (windows_path[0] == u'/' && (windows_path.size() == 1 || windows_path[1] != u'/')) {
    result.kind = Kind::kMapped;
    result.host_path = ToUtf8(windows_path);
    return result;
  }
  std::u16string path(windows_path);
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  std::u16string_view rest = path;
  if (StartsWith(rest, u"\\??\\") || StartsWith(rest, u"\\\\?\\")) {
    rest.remove_prefix(4);
    if (rest.size() >= 4 && EqualsNoCase(rest.substr(0, 4), u"UNC\\")) {
      result.kind = Kind::kUnc;
      return result;
    }
  }
  if (StartsWith(rest, u"\\\\")) {
    result.kind = Kind::kUnc;
    return result;
  }
  char16_t letter = u'c';
  if (rest.size() >= 2 && IsLetter(rest[0]) && rest[1] == u':') {
    letter = rest[0];
    rest.remove_prefix(2);
  } else if (rest.find(u':') != std::u16string_view::npos) {
    return result;  // "a:b" without a drive letter in front is no path
  }
  const std::string root = DriveFolder(prefix_dir_, letter);
  if (root.empty()) {
    result.kind = Kind::kUnmappedDrive;
    return result;
  }

  std::vector<std::u16string_view> parts;
  while (!rest.empty()) {
    const std::size_t slash = rest.find(u'\\');
    const std::u16string_view part = rest.substr(0, slash);
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }

  std::string host = root;
  bool searching = true;  // once a component is missing, the rest is appended as written
  for (std::u16string_view part : parts) {
    std::string name = ToUtf8(part);
    if (searching) {
      struct stat st;
      const std::string exact = Join(host, name);
      if (lstat(exact.c_str(), &st) != 0) {
        const std::string found = FindNoCase(host, part);
        if (found.empty()) {
          searching = false;
        } else {
          name = found;
        }
      }
    }
    host = Join(host, name);
  }
  result.kind = Kind::kMapped;
  result.host_path = std::move(host);
  return result;
}

bool WinePathMapper::Exists(std::u16string_view windows_path) const {
  const Result result = Map(windows_path);
  switch (result.kind) {
    case Kind::kMapped: {
      struct stat st;
      return stat(result.host_path.c_str(), &st) == 0;
    }
    case Kind::kUnmappedDrive:
    case Kind::kUnc:
      return true;
    case Kind::kInvalid:
      break;
  }
  return false;
}

std::string WinePathMapper::ToHostPath(std::u16string_view windows_path) const {
  Result result = Map(windows_path);
  return result.kind == Kind::kMapped ? std::move(result.host_path) : std::string();
}

}  // namespace platform
