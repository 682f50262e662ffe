// Starting helper programs the way the Windows original starts regedit.exe
// through the command interpreter, hidden, and waits for everything it began.
#pragma once

#include <string>
#include <string_view>

namespace platform {

struct RunResult {
  bool started = false;  // false: the interpreter could not be started
  int exit_code = 0;     // the interpreter's exit status when started
  int error = 0;         // errno of a failed start
};

// $COMSPEC when set, else /bin/sh.
std::string InterpreterPath();
// Quotes one argument for the interpreter actually used, so that no text can
// break out of it or extend the command.
std::string QuoteForShell(std::string_view argument);
// Runs `interpreter -c command_line` in its own process group and waits until
// no process of that group is left.
RunResult RunHidden(const std::string& command_line);

// Full path of one of our own programs (e.g. "clarivo-regedit"): the folder of
// the module calling this (the engine library or the executable) first, then
// the running executable's folder, then PATH. Returns the bare name when none
// is found so that the start fails with a clear message.
std::string ToolPath(std::string_view program);

}  // namespace platform
