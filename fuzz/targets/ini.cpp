// The program's ini file: any file gives texts and numbers without failing,
// and one key's text does not depend on being asked twice.
#include "app/core/ini.h"

#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::ScratchFolder() + "/Clarivo.ini";
  if (!fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  clarivo::CIni ini(path);
  // The keys the program reads, one in a section that may not exist, and
  // an empty name: each file read is short, so the fuzzer gets far.
  const char* const pairs[][2] = {{"Deploy", "RegBackup"},
                                  {"Menu", "Feedback"},
                                  {"ErrorLevel", "Level_1_"},
                                  {"Test", "IsRealFix"},
                                  {"", ""}};
  for (const auto& [section, key] : pairs) {
    const std::string text = ini.GetString(section, key);
    FUZZ_CHECK(ini.GetString(section, key) == text, "the same key reads the same twice");
    ini.GetInt(section, key, 7);
    std::u16string part;
    FUZZ_CHECK(ini.ReadInto(section, key, 4, &part) <= 3, "a read fills at most its buffer");
  }
  return 0;
}
