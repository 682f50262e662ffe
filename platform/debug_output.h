// Stand-in for the Windows debugger output: standard error when CLARIVO_DEBUG
// is set, nowhere otherwise.
#pragma once

#include <string_view>

namespace platform {

void DebugOutput(std::u16string_view text);
void DebugOutput(std::string_view utf8_text);

}  // namespace platform
