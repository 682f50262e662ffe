#include "platform/environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

constexpr std::u16string_view kWindowsNt = u"Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::u16string_view kProfileList = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::u16string_view kCurrentVersion = u"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::u16string_view kShellFolders =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::u16string_view kSessionEnvironment =
    u"System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::u16string_view kComputerName =
    u"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName";

struct StringValue {
  std::u16string text;
  bool expandable = false;
};

std::optional<StringValue> ReadString(Registry& registry, RegKey root, std::u16string_view path,
                                      std::u16string_view name) {
  RegKey key = 0;
  if (registry.OpenKey(root, path, &key) != kRegOk) return std::nullopt;
  RegValue value;
  const std::int32_t status = registry.QueryValue(key, name, &value);
  registry.CloseKey(key);
  if (status != kRegOk || (value.type != kRegSz && value.type != kRegExpandSz)) return std::nullopt;
  return StringValue{RegSzText(value), value.type == kRegExpandSz};
}

std::u16string LinuxUserName() {
  if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_name != nullptr) {
    return ToUtf16(pw->pw_name);
  }
  const char* user = std::getenv("USER");
  return ToUtf16(user != nullptr ? user : "user");
}

// The profile folder of the (first) local user that ProfileList records.
std::optional<StringValue> ProfileImagePath(Registry& registry) {
  RegKey list = 0;
  if (registry.OpenKey(kLocalMachine, kProfileList, &list) != kRegOk) return std::nullopt;
  std::optional<StringValue> found;
  std::uint32_t subkeys = 0, values = 0;
  registry.QueryInfo(list, &subkeys, &values);
  for (std::uint32_t i = 0; i < subkeys && !found; ++i) {
    std::u16string sid;
    if (registry.EnumKey(list, i, &sid) != kRegOk || sid.rfind(u"S-1-5-21-", 0) != 0) continue;
    found = ReadString(registry, list, sid, u"ProfileImagePath");
  }
  registry.CloseKey(list);
  return found;
}

std::u16string LastComponent(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

Environment::Environment(Registry& registry) {
  LoadDefaults(registry);
  LoadKey(registry, kLocalMachine, kSessionEnvironment);
  LoadKey(registry, kCurrentUser, u"Environment");
}

std::optional<std::u16string> Environment::Get(std::u16string_view name) const {
  const auto it = vars_.find(name);
  if (it == vars_.end()) return std::nullopt;
  return it->second;
}

void Environment::Set(std::u16string_view name, std::u16string_view value) {
  const auto it = vars_.find(name);
  if (it != vars_.end()) {
    it->second.assign(value);
  } else {
    vars_.emplace(std::u16string(name), std::u16string(value));
  }
}

std::u16string Environment::Expand(std::u16string_view text) const {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t open = text.find(u'%', i);
    if (open == std::u16string_view::npos) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, open - i));
    const std::size_t close = text.find(u'%', open + 1);
    if (close == std::u16string_view::npos) {
      out.append(text.substr(open));
      break;
    }
    const auto it = vars_.find(text.substr(open + 1, close - open - 1));
    if (close > open + 1 && it != vars_.end()) {
      out.append(it->second);
    } else {
      out.append(text.substr(open, close - open + 1));
    }
    i = close + 1;
  }
  return out;
}

void Environment::LoadDefaults(Registry& registry) {
  // Reads a string from where the system keeps it, expanding it when stored
  // expandable; `fallback` when it is not there.
  auto read = [&](RegKey root, std::u16string_view path, std::u16string_view name,
                  std::u16string_view fallback) -> std::u16string {
    const std::optional<StringValue> value = ReadString(registry, root, path, name);
    if (!value || value->text.empty()) return std::u16string(fallback);
    return value->expandable ? Expand(value->text) : value->text;
  };

  const std::u16string system_root = read(kLocalMachine, kWindowsNt, u"SystemRoot", u"C:\\windows");
  Set(u"SystemRoot", system_root);
  Set(u"windir", system_root);
  const std::u16string drive =
      system_root.size() >= 2 && system_root[1] == u':' ? system_root.substr(0, 2) : u"C:";
  Set(u"SystemDrive", drive);

  const std::u16string program_files =
      read(kLocalMachine, kCurrentVersion, u"ProgramFilesDir", drive + u"\\Program Files");
  Set(u"ProgramFiles", program_files);
  const std::u16string common_files =
      read(kLocalMachine, kCurrentVersion, u"CommonFilesDir", program_files + u"\\Common Files");
  Set(u"CommonProgramFiles", common_files);
  // Only a 64-bit system has the (x86) folders.
  if (const std::u16string x86 = read(kLocalMachine, kCurrentVersion, u"ProgramFilesDir (x86)", u"");
      !x86.empty()) {
    Set(u"ProgramFiles(x86)", x86);
    Set(u"ProgramW6432", program_files);
    Set(u"CommonProgramFiles(x86)",
        read(kLocalMachine, kCurrentVersion, u"CommonFilesDir (x86)", x86 + u"\\Common Files"));
    Set(u"CommonProgramW6432", common_files);
  }

  const std::u16string program_data =
      read(kLocalMachine, kProfileList, u"ProgramData", drive + u"\\ProgramData");
  Set(u"ProgramData", program_data);
  Set(u"ALLUSERSPROFILE", program_data);
  const std::u16string profiles = read(kLocalMachine, kProfileList, u"ProfilesDirectory", drive + u"\\users");
  Set(u"PUBLIC", read(kLocalMachine, kProfileList, u"Public", profiles + u"\\Public"));
  if (const std::u16string name = read(kLocalMachine, kComputerName, u"ComputerName", u""); !name.empty()) {
    Set(u"COMPUTERNAME", name);
  }

  // The user: what the logon session recorded, else the profile list.
  std::u16string profile = read(kCurrentUser, u"Volatile Environment", u"USERPROFILE", u"");
  if (profile.empty()) {
    if (std::optional<StringValue> image = ProfileImagePath(registry); image && !image->text.empty()) {
      profile = image->expandable ? Expand(image->text) : image->text;
    }
  }
  std::u16string user = read(kCurrentUser, u"Volatile Environment", u"USERNAME", u"");
  if (user.empty()) user = profile.empty() ? LinuxUserName() : LastComponent(profile);
  if (profile.empty()) profile = profiles + u"\\" + user;
  Set(u"USERNAME", user);
  Set(u"USERPROFILE", profile);
  Set(u"HOMEDRIVE", profile.size() >= 2 && profile[1] == u':' ? profile.substr(0, 2) : drive);
  Set(u"HOMEPATH", profile.size() >= 2 && profile[1] == u':' ? profile.substr(2) : profile);
  const std::u16string app_data =
      read(kCurrentUser, kShellFolders, u"AppData", profile + u"\\AppData\\Roaming");
  Set(u"APPDATA", app_data);
  const std::u16string local =
      read(kCurrentUser, kShellFolders, u"Local AppData", profile + u"\\AppData\\Local");
  Set(u"LOCALAPPDATA", local);
  Set(u"TEMP", local + u"\\Temp");
  Set(u"TMP", local + u"\\Temp");

  // Everything else the logon session set (LOGONSERVER, USERDOMAIN, ...).
  LoadKey(registry, kCurrentUser, u"Volatile Environment");
}

void Environment::LoadKey(Registry& registry, RegKey root, std::u16string_view path) {
  RegKey key = 0;
  if (registry.OpenKey(root, path, &key) != kRegOk) return;
  std::uint32_t subkeys = 0, values = 0;
  registry.QueryInfo(key, &subkeys, &values);
  std::vector<std::pair<std::u16string, std::u16string>> expandable;
  const bool user = root == kCurrentUser && path == u"Environment";
  auto store = [&](const std::u16string& name, std::u16string text) {
    // As on Windows, the user's Path extends the machine's instead of replacing it.
    if (user && EqualsNoCase(name, u"Path")) {
      if (std::optional<std::u16string> machine = Get(name); machine && !machine->empty()) {
        text = *machine + u";" + text;
      }
    }
    Set(name, text);
  };
  // Plain strings first, then the expandable ones, which may refer to them.
  for (std::uint32_t i = 0; i < values; ++i) {
    std::u16string name;
    RegValue value;
    if (registry.EnumValue(key, i, &name, &value) != kRegOk || name.empty()) continue;
    if (value.type == kRegSz) {
      store(name, RegSzText(value));
    } else if (value.type == kRegExpandSz) {
      expandable.emplace_back(name, RegSzText(value));
    }
  }
  registry.CloseKey(key);
  for (auto& [name, text] : expandable) store(name, Expand(text));
}

}  // namespace platform
