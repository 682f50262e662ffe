#include "platform/icons.h"

#include <cctype>
#include <fstream>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/text.h"

namespace platform {
namespace {

// The extensions the engine asks for, named as freedesktop icon themes do.
struct KnownIcon {
  std::string_view extension;
  std::string_view icon;
};
constexpr KnownIcon kKnownIcons[] = {
    {".dll", "application-x-sharedlib"},
    {".ocx", "application-x-sharedlib"},
    {".exe", "application-x-ms-dos-executable"},
    {".lnk", "application-x-ms-shortcut"},
    {".ico", "image-x-generic"},
    {".chm", "help-browser"},
    {".txt", "text-plain"},
};
constexpr std::string_view kGenericIcon = "application-octet-stream";
constexpr const char* kMimeFolder = "/usr/share/mime/";

// Extension -> icon name from shared-mime-info, read once on first need.
class MimeIcons {
 public:
  std::string Lookup(const std::string& extension) {
    std::call_once(loaded_, [this] { Load(); });
    const auto it = by_extension_.find(extension);
    return it == by_extension_.end() ? std::string() : it->second;
  }

 private:
  void Load() {
    std::ifstream icons(std::string(kMimeFolder) + "icons");
    std::ifstream globs(std::string(kMimeFolder) + "globs2");
    by_extension_ = ParseMimeIcons(icons, globs);
  }

  std::once_flag loaded_;
  std::unordered_map<std::string, std::string> by_extension_;  // "txt" -> "text-plain"
};

struct HandleTable {
  std::mutex mu;
  std::map<std::uint32_t, std::string> live;
  std::uint32_t next = 1;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // lives to the end of the process
  return *table;
}

std::string IconForExtension(std::u16string_view extension) {
  std::string lower = ToUtf8(extension);
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (const KnownIcon& known : kKnownIcons) {
    if (lower == known.extension) return std::string(known.icon);
  }
  static MimeIcons* mime = new MimeIcons;
  std::string icon = mime->Lookup(lower.substr(1));
  return icon.empty() ? std::string(kGenericIcon) : icon;
}

}  // namespace

std::unordered_map<std::string, std::string> ParseMimeIcons(std::istream& icon_file, std::istream& globs) {
  std::unordered_map<std::string, std::string> by_extension;
  std::unordered_map<std::string, std::string> icons;  // mime type -> icon, where one is named
  for (std::string line; std::getline(icon_file, line);) {
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) icons.emplace(line.substr(0, colon), line.substr(colon + 1));
  }
  // "weight:type/subtype:*.ext[:flags]", heaviest first: the first match wins.
  for (std::string line; std::getline(globs, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t a = line.find(':');
    const std::size_t b = a == std::string::npos ? a : line.find(':', a + 1);
    if (b == std::string::npos || line.compare(b + 1, 2, "*.") != 0) continue;
    const std::size_t c = line.find(':', b + 1);
    std::string extension = line.substr(b + 2, c == std::string::npos ? std::string::npos : c - b - 2);
    if (extension.find_first_of("*?[") != std::string::npos) continue;
    for (char& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const std::string type = line.substr(a + 1, b - a - 1);
    std::string icon;
    if (const auto it = icons.find(type); it != icons.end()) {
      icon = it->second;
    } else {
      icon = type;
      for (char& ch : icon) {
        if (ch == '/') ch = '-';
      }
    }
    by_extension.emplace(std::move(extension), std::move(icon));
  }
  return by_extension;
}

std::uint32_t CreateExtensionIcon(std::u16string_view extension) {
  if (extension.size() < 2 || extension[0] != u'.') return 0;
  std::string icon = IconForExtension(extension);
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mu);
  // Numbers count up, so a freed handle is not soon mistaken for a new one;
  // after a wrap they skip 0 and the live ones.
  while (table.next == 0 || table.live.count(table.next) != 0) ++table.next;
  const std::uint32_t handle = table.next++;
  table.live.emplace(handle, std::move(icon));
  return handle;
}

std::string IconName(std::uint32_t handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mu);
  const auto it = table.live.find(handle);
  return it == table.live.end() ? std::string() : it->second;
}

bool DestroyIcon(std::uint32_t handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mu);
  return table.live.erase(handle) != 0;
}

}  // namespace platform
