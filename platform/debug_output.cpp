#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>

#include "platform/text.h"

namespace platform {
namespace {

bool Enabled() {
  static const bool enabled = std::getenv("CLARIVO_DEBUG") != nullptr;
  return enabled;
}

}  // namespace

void DebugOutput(std::u16string_view text) {
  if (Enabled()) DebugOutput(ToUtf8(text));
}

void DebugOutput(std::string_view utf8_text) {
  if (!Enabled()) return;
  std::fwrite(utf8_text.data(), 1, utf8_text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace platform
