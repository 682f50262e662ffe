// Starting our own helper programs from the program.
#pragma once

#include <string>

namespace clarivo {

// Starts `path` without arguments and without waiting for it (the child is
// reaped in the background). When it cannot be started, the message box shows
// `path` followed by " create fail" and the answer is false.
bool StartProgram(const std::string& path);

}  // namespace clarivo
