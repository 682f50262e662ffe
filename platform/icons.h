// Stand-in for shell icons: a handle is a small non-zero number naming a
// freedesktop icon for a file extension. Handles are process-wide.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

// Issues a new handle for the extension's icon (".dll" -> e.g.
// "application-x-sharedlib"); 0 when no icon can be named.
std::uint32_t CreateExtensionIcon(std::u16string_view extension);
// The freedesktop icon name behind a live handle; empty for a dead one.
std::string IconName(std::uint32_t handle);
// Frees the handle; returns false for a handle that is not live.
bool DestroyIcon(std::uint32_t handle);

// Extension ("txt", lower case) -> icon name, from shared-mime-info's "icons"
// and "globs2" files (the first match of an extension wins).
std::unordered_map<std::string, std::string> ParseMimeIcons(std::istream& icons, std::istream& globs);

}  // namespace platform
