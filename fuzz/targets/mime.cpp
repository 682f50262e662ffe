// shared-mime-info's "icons" and "globs2" files (the input holds both, split
// at its first NUL byte): any text gives a table without failing.
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/icons.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = text.find('\0');
  std::istringstream icons(text.substr(0, cut));
  std::istringstream globs(cut == std::string::npos ? std::string() : text.substr(cut + 1));
  for (const auto& [extension, icon] : platform::ParseMimeIcons(icons, globs)) {
    FUZZ_CHECK(extension.find_first_of("*?[") == std::string::npos, "no pattern is taken for an extension");
  }
  return 0;
}
