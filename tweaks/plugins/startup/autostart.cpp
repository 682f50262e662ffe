#include "autostart.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

namespace tweaks::startup {
namespace {

namespace fs = std::filesystem;
constexpr const char* kGroup = "Desktop Entry";
constexpr const char* kGnomeEnabled = "X-GNOME-Autostart-enabled";

using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_free)>;

KeyFile Load(const std::string& path) {
  KeyFile file(g_key_file_new(), &g_key_file_free);
  auto flags = static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
  if (!g_key_file_load_from_file(file.get(), path.c_str(), flags, nullptr)) file.reset();
  return file;
}

// Missing or unreadable booleans count as `fallback`.
bool Boolean(GKeyFile* file, const char* key, bool fallback) {
  GError* error = nullptr;
  gboolean value = g_key_file_get_boolean(file, kGroup, key, &error);
  if (error) {
    g_error_free(error);
    return fallback;
  }
  return value;
}

std::string String(GKeyFile* file, const char* key, bool localised) {
  gchar* value = localised ? g_key_file_get_locale_string(file, kGroup, key, nullptr, nullptr)
                           : g_key_file_get_string(file, kGroup, key, nullptr);
  std::string text = value ? value : "";
  g_free(value);
  return text;
}

bool IsEntryName(const std::string& id) {
  return id.size() > 8 && id.ends_with(".desktop") && id.find('/') == std::string::npos && id[0] != '.';
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string SystemFileOf(const AutostartFolders& folders, const std::string& id) {
  for (const std::string& folder : folders.system) {
    std::error_code ec;
    fs::path candidate = fs::path(folder) / id;
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
  }
  return std::string();
}

}  // namespace

AutostartFolders FoldersFromEnvironment() {
  AutostartFolders folders;
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) config = Env("HOME") + "/.config";
  folders.user = config + "/autostart";
  std::string dirs = Env("XDG_CONFIG_DIRS");
  if (dirs.empty()) dirs = "/etc/xdg";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (end > start) folders.system.push_back(dirs.substr(start, end - start) + "/autostart");
    start = end + 1;
  }
  return folders;
}

std::vector<AutostartEntry> ListAutostartEntries(const AutostartFolders& folders) {
  // id -> effective file; the user folder first, then the system folders in
  // order of importance, the first file of a name winning.
  std::map<std::string, AutostartEntry> found;
  auto scan = [&](const std::string& folder, bool user) {
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(folder, ec)) {
      std::string id = item.path().filename().string();
      if (!IsEntryName(id) || !item.is_regular_file(ec)) continue;
      auto [it, inserted] = found.try_emplace(id);
      if (!user) it->second.systemFile = true;
      if (!inserted) continue;
      it->second.id = id;
      it->second.userFile = user;
      it->second.path = item.path().string();
    }
  };
  scan(folders.user, true);
  for (const std::string& folder : folders.system) scan(folder, false);

  std::vector<AutostartEntry> entries;
  for (auto& [id, entry] : found) {
    KeyFile file = Load(entry.path);
    if (!file || !g_key_file_has_group(file.get(), kGroup)) continue;
    entry.name = String(file.get(), "Name", true);
    if (entry.name.empty()) entry.name = id;
    entry.command = String(file.get(), "Exec", false);
    entry.enabled = !Boolean(file.get(), "Hidden", false) && Boolean(file.get(), kGnomeEnabled, true);
    entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(), [](const AutostartEntry& a, const AutostartEntry& b) {
    int order = g_ascii_strcasecmp(a.name.c_str(), b.name.c_str());
    return order != 0 ? order < 0 : a.id < b.id;
  });
  return entries;
}

bool SetAutostartEnabled(const AutostartFolders& folders, const std::string& id, bool enabled) {
  if (!IsEntryName(id) || folders.user.empty()) return false;
  std::error_code ec;
  fs::path userPath = fs::path(folders.user) / id;
  std::string source = fs::is_regular_file(userPath, ec) ? userPath.string() : SystemFileOf(folders, id);
  if (source.empty()) return false;
  KeyFile file = Load(source);
  if (!file || !g_key_file_has_group(file.get(), kGroup)) return false;

  bool current = !Boolean(file.get(), "Hidden", false) && Boolean(file.get(), kGnomeEnabled, true);
  // A system entry already in the wanted state needs no user file.
  if (source != userPath.string() && current == enabled) return true;

  g_key_file_set_boolean(file.get(), kGroup, "Hidden", !enabled);
  if (enabled && g_key_file_has_key(file.get(), kGroup, kGnomeEnabled, nullptr)) {
    g_key_file_set_boolean(file.get(), kGroup, kGnomeEnabled, TRUE);
  }
  fs::create_directories(folders.user, ec);
  // Written to a temporary file and renamed, so a failure leaves the old file.
  return g_key_file_save_to_file(file.get(), userPath.c_str(), nullptr);
}

}  // namespace tweaks::startup
