// Which files a registry source lives in, as far as backups and restores
// need to know: one name per registry whatever path reached it, and whether
// its files can be written now.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// "wine:" followed by the real path of the prefix folder for "wine:DIR" or a
// bare folder, so that one prefix reached through two names (a relative path,
// a symbolic link) compares equal; any other source as it is.
std::string CanonicalRegistrySource(std::string_view source);

// Why the registry named by `source` cannot be changed now (a wineserver runs
// for it, a file or its folder is read-only), naming the file and the
// system's reason; empty when it can be.
std::string RegistryWriteProblem(std::string_view source);

}  // namespace platform
