// Finding the Wine prefixes a user has: the default one, those their
// launchers made (Steam's Proton, Lutris, Bottles, PlayOnLinux) and those they
// added by hand. A user typically has several registries and picks which one
// to clean from this list.
//
// Everything found on disk is outside input: a folder that cannot be read, a
// half-made prefix, a malformed launcher file or a symbolic-link loop is
// skipped, never an error.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Where a prefix was found, in the order the sources are searched.
enum class PrefixSource {
  kWinePrefixVariable,  // $WINEPREFIX
  kDefault,             // ~/.wine
  kWinePrefixes,        // ~/.local/share/wineprefixes/*
  kSteam,               // <library>/steamapps/compatdata/<id>/pfx
  kLutris,              // a Lutris game file's prefix, ~/Games/*
  kBottles,             // a bottle, native or Flatpak
  kPlayOnLinux,         // ~/.PlayOnLinux/wineprefix/*
  kUserAdded,           // the user's own list
};

// "WINEPREFIX", "~/.wine", "wineprefixes", "Steam", "Lutris", "Bottles",
// "PlayOnLinux", "added".
std::string_view PrefixSourceName(PrefixSource source);

struct RegistryFileInfo {
  std::uint64_t size = 0;
  std::time_t modified = 0;  // last change
};

struct WinePrefix {
  std::string path;       // absolute, as reached (symbolic links kept)
  std::string real_path;  // every link resolved: two entries never share it
  std::string name;       // the game's, bottle's or folder's name
  PrefixSource source = PrefixSource::kUserAdded;
  RegistryFileInfo system_reg;
  RegistryFileInfo user_reg;
  bool in_use = false;  // a wineserver holds the prefix now

  std::time_t LastChange() const {
    return system_reg.modified > user_reg.modified ? system_reg.modified : user_reg.modified;
  }
};

// Where to look. FromEnvironment() fills it from HOME (else the password
// entry), WINEPREFIX and XDG_CONFIG_HOME (else ~/.config).
struct DiscoveryPlaces {
  std::string home;
  std::string wineprefix;   // empty when unset
  std::string config_home;  // holds Quorvex-Clarivo/prefixes

  static DiscoveryPlaces FromEnvironment();
};

// Every prefix found, each real folder once (the first source searched wins;
// a name a later launcher gives it replaces a bare folder name), in a stable
// order: by source as listed above, then by folder name.
std::vector<WinePrefix> DiscoverWinePrefixes(const DiscoveryPlaces& places);
std::vector<WinePrefix> DiscoverWinePrefixes();

// Whether `dir` is a Wine prefix: a folder holding the regular files
// system.reg and user.reg. On false, `reason` (when given) says what is missing.
bool IsWinePrefix(const std::string& dir, std::string* reason = nullptr);

// The entry for one folder (name: `name`, else the folder's own name), or
// nothing when it is not a prefix.
std::optional<WinePrefix> DescribeWinePrefix(const std::string& dir, PrefixSource source,
                                             const std::string& name = {});

// The folders the user added: $XDG_CONFIG_HOME/Quorvex-Clarivo/prefixes,
// one absolute path a line.
std::string UserPrefixListPath(const DiscoveryPlaces& places);
std::vector<std::string> UserAddedPrefixes(const DiscoveryPlaces& places);
// Adds a folder after checking that it is a prefix (stored as an absolute
// path; adding one already listed changes nothing). Removing takes the path
// as added or any path reaching the same folder. The list is rewritten
// atomically. On failure `error` names the cause.
bool AddUserPrefix(const DiscoveryPlaces& places, const std::string& dir, std::string* error);
bool RemoveUserPrefix(const DiscoveryPlaces& places, const std::string& dir, std::string* error);

}  // namespace platform
