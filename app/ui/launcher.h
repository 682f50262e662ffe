// Starting our helper programs and opening addresses in the desktop's browser.
#pragma once

#include <string>
#include <vector>

namespace clarivo::ui {

// Starts `program` (a file beside the executable, or a path) with `args`,
// without waiting; the child is reaped in the background. When it cannot be
// started, a message box shows the command line followed by " create fail".
bool LaunchProgram(const std::string& program, const std::vector<std::string>& args);

// Opens `address` with the desktop's default handler (xdg-open). An empty
// address does nothing and answers false.
bool OpenAddress(const std::string& address);

}  // namespace clarivo::ui
