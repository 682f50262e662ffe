// Starting the program at logon: the XDG autostart entry
// $XDG_CONFIG_HOME/autostart/Quorvex-Clarivo.desktop whose Exec is the
// executable's full path.
#pragma once

#include <string>
#include <string_view>

namespace clarivo {

inline constexpr char kAutostartName[] = "Quorvex-Clarivo";

// Where the entry lives.
std::string AutostartEntryPath();

// True when the entry exists, is enabled, and its Exec names exactly the
// executable's full path (case-sensitive) with no arguments. An entry that
// exists but cannot be read gives the message "fail to open reg key".
bool IsAutoStart();
// Writes (atomically) or removes the entry; "fail to open reg key" when its
// folder cannot be created or written. True when the entry was written or
// removed (removing an entry that is not there answers false).
bool SetAutoStart(bool enable);

// The Exec value for one program path, quoted and escaped per the desktop
// entry rules; and the inverse, answering false unless the value is exactly
// one program with no arguments.
std::string DesktopExecValue(std::string_view program);
bool ParseDesktopExecProgram(std::string_view exec, std::string* program);

}  // namespace clarivo
