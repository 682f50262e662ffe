#include "platform/prefix_discovery.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "platform/launcher_files.h"
#include "platform/wine_system.h"
#include "platform/wineserver_lock.h"

namespace platform {
namespace {

// More entries than any real launcher makes; a folder beyond it is not one of theirs.
constexpr std::size_t kMaxFolderEntries = 100000;
constexpr std::size_t kMaxSteamLibraries = 64;

std::optional<std::string> RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::string out(resolved);
  free(resolved);
  return out;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The names in a folder, sorted; none when it cannot be read.
std::vector<std::string> FolderNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* entry = readdir(d)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    names.push_back(name);
    if (names.size() >= kMaxFolderEntries) break;
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

bool RegularFile(const std::string& path, RegistryFileInfo* info) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  info->size = static_cast<std::uint64_t>(st.st_size);
  info->modified = st.st_mtime;
  return true;
}

std::string ExpandHome(const std::string& path, const std::string& home) {
  if (path == "~") return home;
  if (path.rfind("~/", 0) == 0 && !home.empty()) return home + path.substr(1);
  return path;
}

// Gathers the prefixes in search order, each real folder once.
class Collector {
 public:
  void Offer(const std::string& dir, PrefixSource source, const std::string& name = {}) {
    if (dir.empty() || dir[0] != '/') return;
    std::optional<WinePrefix> prefix = DescribeWinePrefix(dir, source, name);
    if (!prefix) return;
    const auto [it, added] = seen_.try_emplace(prefix->real_path, Seen{found_.size(), !name.empty()});
    if (added) {
      found_.push_back(std::move(*prefix));
    } else if (!it->second.named && !name.empty()) {
      // $WINEPREFIX naming a Steam game's prefix: listed first, but by the game's name.
      found_[it->second.index].name = name;
      it->second.named = true;
    }
  }
  std::vector<WinePrefix> Take() { return std::move(found_); }

 private:
  struct Seen {
    std::size_t index;
    bool named;  // a launcher gave the name, not the folder
  };
  std::map<std::string, Seen> seen_;
  std::vector<WinePrefix> found_;
};

void OfferEachFolder(Collector& collector, const std::string& dir, PrefixSource source) {
  for (const std::string& name : FolderNames(dir)) collector.Offer(dir + "/" + name, source);
}

// Every Steam library: the Steam installations themselves and the folders
// their libraryfolders.vdf lists, each real folder once.
std::vector<std::string> SteamLibraries(const std::string& home) {
  const std::string flatpak = home + "/.var/app/com.valvesoftware.Steam";
  // ~/.local/share/Steam first: ~/.steam/steam usually links to it, and the
  // user knows the folder by its own name.
  const std::string roots[] = {home + "/.local/share/Steam", home + "/.steam/steam", home + "/.steam/root",
                               flatpak + "/.local/share/Steam", flatpak + "/data/Steam"};
  std::vector<std::string> libraries;
  std::set<std::string> seen;
  auto add = [&](const std::string& folder) {
    if (libraries.size() >= kMaxSteamLibraries || folder.empty() || folder[0] != '/') return;
    const std::optional<std::string> real = RealPath(folder);
    if (real && IsFolder(*real) && seen.insert(*real).second) libraries.push_back(AbsoluteFolder(folder));
  };
  for (const std::string& root : roots) {
    if (!IsFolder(root)) continue;
    add(root);
    for (const char* list : {"/steamapps/libraryfolders.vdf", "/config/libraryfolders.vdf"}) {
      if (std::optional<std::string> text = ReadSmallFile(root + list)) {
        for (const std::string& folder : SteamLibraryFolders(*text)) add(folder);
      }
    }
  }
  return libraries;
}

void OfferSteam(Collector& collector, const std::string& home) {
  const std::vector<std::string> libraries = SteamLibraries(home);
  // A game's manifest normally sits in the library holding its prefix, but
  // Steam may keep the prefix in another one: look in every library.
  std::map<std::string, std::optional<std::string>> names;
  auto game_name = [&](const std::string& id) -> std::string {
    auto [it, inserted] = names.try_emplace(id);
    if (inserted) {
      for (const std::string& library : libraries) {
        const std::optional<std::string> acf =
            ReadSmallFile(library + "/steamapps/appmanifest_" + id + ".acf");
        if (acf && (it->second = SteamAppName(*acf))) break;
      }
    }
    return it->second ? *it->second : "Steam app " + id;
  };
  for (const std::string& library : libraries) {
    const std::string compatdata = library + "/steamapps/compatdata";
    for (const std::string& id : FolderNames(compatdata)) {
      const std::string pfx = compatdata + "/" + id + "/pfx";
      if (IsWinePrefix(pfx)) collector.Offer(pfx, PrefixSource::kSteam, game_name(id));
    }
  }
}

// "the-witcher-3-1612345678.yml" -> "the-witcher-3": Lutris names its game
// files by the game's slug and the time it was installed.
std::string LutrisSlug(std::string file) {
  file.resize(file.size() - 4);
  const std::size_t dash = file.find_last_of('-');
  if (dash != std::string::npos && dash > 0 && dash + 1 < file.size() &&
      file.find_first_not_of("0123456789", dash + 1) == std::string::npos) {
    file.resize(dash);
  }
  return file;
}

void OfferLutris(Collector& collector, const DiscoveryPlaces& places) {
  for (const std::string& dir :
       {places.config_home + "/lutris/games", places.home + "/.local/share/lutris/games"}) {
    for (const std::string& file : FolderNames(dir)) {
      if (file.size() <= 4 || file.compare(file.size() - 4, 4, ".yml") != 0) continue;
      const std::optional<std::string> text = ReadSmallFile(dir + "/" + file);
      if (!text) continue;
      const std::optional<std::string> prefix = YamlScalar(*text, {"game", "prefix"});
      if (!prefix) continue;
      const std::optional<std::string> name = YamlScalar(*text, {"name"});
      collector.Offer(ExpandHome(*prefix, places.home), PrefixSource::kLutris,
                      name ? *name : LutrisSlug(file));
    }
  }
  OfferEachFolder(collector, places.home + "/Games", PrefixSource::kLutris);
}

void OfferBottles(Collector& collector, const std::string& home) {
  for (const std::string& dir : {home + "/.local/share/bottles/bottles",
                                 home + "/.var/app/com.usebottles.bottles/data/bottles/bottles"}) {
    for (const std::string& bottle : FolderNames(dir)) {
      const std::string path = dir + "/" + bottle;
      if (!IsWinePrefix(path)) continue;
      const std::optional<std::string> yml = ReadSmallFile(path + "/bottle.yml");
      std::optional<std::string> name = yml ? YamlScalar(*yml, {"Name"}) : std::nullopt;
      collector.Offer(path, PrefixSource::kBottles, name ? *name : std::string());
    }
  }
}

std::string HomeFromEnvironment() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
  return {};
}

}  // namespace

std::string_view PrefixSourceName(PrefixSource source) {
  switch (source) {
    case PrefixSource::kWinePrefixVariable:
      return "WINEPREFIX";
    case PrefixSource::kDefault:
      return "~/.wine";
    case PrefixSource::kWinePrefixes:
      return "wineprefixes";
    case PrefixSource::kSteam:
      return "Steam";
    case PrefixSource::kLutris:
      return "Lutris";
    case PrefixSource::kBottles:
      return "Bottles";
    case PrefixSource::kPlayOnLinux:
      return "PlayOnLinux";
    case PrefixSource::kUserAdded:
      return "added";
  }
  return "added";
}

DiscoveryPlaces DiscoveryPlaces::FromEnvironment() {
  DiscoveryPlaces places;
  places.home = HomeFromEnvironment();
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr) places.wineprefix = prefix;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is invalid and to be ignored.
  places.config_home = config != nullptr && config[0] == '/' ? std::string(config) : places.home + "/.config";
  return places;
}

bool IsWinePrefix(const std::string& dir, std::string* reason) {
  std::string ignored;
  std::string& why = reason ? *reason : ignored;
  if (!IsFolder(dir)) {
    why = "not a folder";
    return false;
  }
  RegistryFileInfo info;
  for (const char* file : {"system.reg", "user.reg"}) {
    if (!RegularFile(dir + "/" + file, &info)) {
      why = std::string("it has no ") + file;
      return false;
    }
  }
  return true;
}

std::optional<WinePrefix> DescribeWinePrefix(const std::string& dir, PrefixSource source,
                                             const std::string& name) {
  if (dir.empty()) return std::nullopt;
  WinePrefix prefix;
  prefix.path = AbsoluteFolder(dir);
  if (!IsFolder(prefix.path) || !RegularFile(prefix.path + "/system.reg", &prefix.system_reg) ||
      !RegularFile(prefix.path + "/user.reg", &prefix.user_reg)) {
    return std::nullopt;
  }
  std::optional<std::string> real = RealPath(prefix.path);
  if (!real) return std::nullopt;
  prefix.real_path = std::move(*real);
  prefix.name = name.empty() ? BaseName(prefix.path) : name;
  prefix.source = source;
  prefix.in_use = WineserverRunning(prefix.path);
  return prefix;
}

std::vector<WinePrefix> DiscoverWinePrefixes(const DiscoveryPlaces& places) {
  Collector collector;
  if (!places.wineprefix.empty())
    collector.Offer(AbsoluteFolder(places.wineprefix), PrefixSource::kWinePrefixVariable);
  if (!places.home.empty() && places.home[0] == '/') {
    const std::string& home = places.home;
    collector.Offer(home + "/.wine", PrefixSource::kDefault);
    OfferEachFolder(collector, home + "/.local/share/wineprefixes", PrefixSource::kWinePrefixes);
    OfferSteam(collector, home);
    OfferLutris(collector, places);
    OfferBottles(collector, home);
    OfferEachFolder(collector, home + "/.PlayOnLinux/wineprefix", PrefixSource::kPlayOnLinux);
  }
  for (const std::string& dir : UserAddedPrefixes(places)) collector.Offer(dir, PrefixSource::kUserAdded);
  return collector.Take();
}

std::vector<WinePrefix> DiscoverWinePrefixes() {
  return DiscoverWinePrefixes(DiscoveryPlaces::FromEnvironment());
}

}  // namespace platform
