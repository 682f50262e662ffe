// Where the running program lives: the base of the ini file, the profile name,
// the catalogue folder and the autostart entry.
#pragma once

#include <string>

namespace clarivo {

// Full path of the running executable (/proc/self/exe).
std::string ExecutablePath();
// Its folder, without a trailing slash ("/" stays "/").
std::string ExecutableDir();
// Its file name without the extension ("Clarivo" for /opt/x/Clarivo).
std::string ExecutableBaseName();

// Makes the functions above answer for another executable path, so that tools
// and tests can act as the program; an empty path restores the real one.
void SetExecutablePath(const std::string& path);

}  // namespace clarivo
