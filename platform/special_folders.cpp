#include "platform/special_folders.h"

#include <string_view>

namespace platform {
namespace {

constexpr std::u16string_view kShellFolders =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::u16string_view kUserShellFolders =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

struct Folder {
  int csidl;
  RegKey root;
  std::u16string_view value;
};
// HKCU for the user's folders, HKLM for the ones all users share.
constexpr Folder kFolders[] = {
    {2, kCurrentUser, u"Programs"},          {5, kCurrentUser, u"Personal"},
    {7, kCurrentUser, u"Startup"},           {11, kCurrentUser, u"Start Menu"},
    {16, kCurrentUser, u"Desktop"},          {22, kLocalMachine, u"Common Start Menu"},
    {23, kLocalMachine, u"Common Programs"}, {24, kLocalMachine, u"Common Startup"},
    {26, kCurrentUser, u"AppData"},          {28, kCurrentUser, u"Local AppData"},
    {35, kLocalMachine, u"Common AppData"},
};

std::u16string ReadFolder(Registry& registry, const Environment& environment, RegKey root,
                          std::u16string_view path, std::u16string_view name) {
  RegKey key = 0;
  if (registry.OpenKey(root, path, &key) != kRegOk) return {};
  RegValue value;
  const std::int32_t status = registry.QueryValue(key, name, &value);
  registry.CloseKey(key);
  if (status != kRegOk) return {};
  if (value.type == kRegSz) return RegSzText(value);
  if (value.type == kRegExpandSz) return environment.Expand(RegSzText(value));
  return {};
}

}  // namespace

std::u16string GetSpecialFolder(Registry& registry, const Environment& environment, int csidl) {
  for (const Folder& folder : kFolders) {
    if (folder.csidl != csidl) continue;
    std::u16string path = ReadFolder(registry, environment, folder.root, kShellFolders, folder.value);
    if (path.empty()) path = ReadFolder(registry, environment, folder.root, kUserShellFolders, folder.value);
    while (!path.empty() && path.back() == u'\\') path.pop_back();
    return path;
  }
  return {};
}

}  // namespace platform
