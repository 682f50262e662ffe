// The files game launchers keep beside their prefixes (Steam's KeyValues,
// Lutris' and Bottles' YAML): any text is read without failing, and what is
// read back does not depend on being asked twice.
#include "platform/launcher_files.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto entries = platform::ParseKeyValues(text);
  FUZZ_CHECK(platform::ParseKeyValues(text).size() == entries.size(), "the same text reads the same twice");
  for (const std::string& folder : platform::SteamLibraryFolders(text)) {
    FUZZ_CHECK(folder.size() <= size, "a library folder comes from the text");
  }
  if (const auto name = platform::SteamAppName(text)) {
    FUZZ_CHECK(name->size() <= size, "a game's name comes from the text");
  }
  for (const auto& path : {std::vector<std::string_view>{"game", "prefix"},
                           std::vector<std::string_view>{"Name"}, std::vector<std::string_view>{"name"}}) {
    if (const auto value = platform::YamlScalar(text, path)) {
      FUZZ_CHECK(value->size() <= size, "a scalar comes from the text");
    }
  }
  return 0;
}
