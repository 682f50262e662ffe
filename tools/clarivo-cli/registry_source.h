// Opening the registry the user names, before the engine is loaded, so that a
// missing prefix, a malformed file or a running wineserver is reported with
// its cause (the engine itself would just find nothing).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/windows_system.h"

namespace cli {

struct RegistrySource {
  std::string description;  // e.g. "wine:/root/.wine"
  std::string spec;         // the CLARIVO_REGISTRY value naming it
  std::string warning;      // non-empty while a wineserver runs for it
};

// Opens `registry` (or the default source) through the platform layer and, on
// success, exports CLARIVO_REGISTRY so that the engine and clarivo-regedit
// work on the same registry. On failure returns nothing with `error` set.
// The opened registry is kept for the engine (see TakeOpenedRegistry).
std::optional<RegistrySource> OpenRegistrySource(const std::optional<std::string>& registry,
                                                 std::string* error);

// The registry OpenRegistrySource opened last, while it is not taken; null
// otherwise.
platform::WindowsSystem* OpenedRegistry();

// The registry OpenRegistrySource opened last, handed over once: the engine
// scans what the cli has already read. Null once taken.
std::unique_ptr<platform::WindowsSystem> TakeOpenedRegistry();

}  // namespace cli
