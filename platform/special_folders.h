// Special folders by CSIDL number, read from the registry's "Shell Folders"
// keys as the shell keeps them.
#pragma once

#include <string>

#include "platform/environment.h"
#include "platform/registry.h"

namespace platform {

// The folder's Windows path without trailing backslash: the "Shell Folders"
// value, else the "User Shell Folders" one expanded with `environment`;
// empty when the registry names no such folder or the number is unknown.
std::u16string GetSpecialFolder(Registry& registry, const Environment& environment, int csidl);

}  // namespace platform
