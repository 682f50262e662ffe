// Which registry the program cleans. A person usually has several Wine
// prefixes; the one chosen on the settings page is stored in the profile and
// used from the next scan on. CLARIVO_REGISTRY or WINEPREFIX, when set as the
// program starts, still win over that choice.
#pragma once

#include <string>

namespace clarivo {

// Profile values (binary, UTF-8 text): the chosen prefix folder, and the
// registry the stored last scan result was made from.
inline constexpr char kRegistrySection[] = "Setting";
inline constexpr char kRegistryKey[] = "Registry";
inline constexpr char kLastResultRegistryKey[] = "LastScanResultRegistry";

// The variable that chose the registry when the program started
// ("CLARIVO_REGISTRY" or "WINEPREFIX"), empty when neither was set. The
// environment is read on the first call of any function here, before the
// program sets CLARIVO_REGISTRY for its children.
std::string EnvironmentRegistryVariable();
// That variable's value as it was set.
std::string EnvironmentRegistryValue();

// The prefix folder chosen in the settings; empty when none is.
std::string ChosenRegistry();
bool SetChosenRegistry(const std::string& dir);

// The registry source the program cleans: the environment's, else
// "wine:" + the chosen folder; empty for the default (~/.wine).
std::string EffectiveRegistrySource();
// Names that source in CLARIVO_REGISTRY, which the engine and the registry
// editor read. True when the registry changed (the engine must then be bound
// anew). Only while no scan, fix, backup or restore runs.
bool ApplyRegistryChoice();
// The canonical name of the registry cleaned now (one name per prefix
// whatever path reached it).
std::string CurrentRegistryName();

// The registry the stored last result was made from; empty for a result
// stored before this was recorded.
std::string LastResultRegistry();
bool SetLastResultRegistry(const std::string& name);

}  // namespace clarivo
