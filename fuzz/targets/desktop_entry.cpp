// XDG autostart entries: any system file lists without failing, and an entry
// switched off or on through the user's file then reads in that state, the
// system file left as it was.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "autostart.h"
#include "fuzz/fuzz_check.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool EnabledIn(const tweaks::startup::AutostartFolders& folders, bool* found) {
  *found = false;
  for (const auto& entry : tweaks::startup::ListAutostartEntries(folders)) {
    if (entry.id == "fuzz.desktop") {
      *found = true;
      return entry.enabled;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& root = fuzz::ScratchFolder();
  tweaks::startup::AutostartFolders folders{root + "/user", {root + "/system"}};
  std::error_code ec;
  std::filesystem::remove_all(folders.user, ec);
  std::filesystem::create_directories(folders.system[0], ec);
  const std::string system_file = folders.system[0] + "/fuzz.desktop";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!fuzz::WriteFile(system_file, text)) return 0;

  bool found = false;
  EnabledIn(folders, &found);
  for (bool wanted : {false, true, false}) {
    const bool done = tweaks::startup::SetAutostartEnabled(folders, "fuzz.desktop", wanted);
    if (!found) {
      FUZZ_CHECK(!done, "an entry that does not list cannot be switched");
      continue;
    }
    if (!done) continue;
    bool still_found = false;
    const bool enabled = EnabledIn(folders, &still_found);
    FUZZ_CHECK(still_found, "a switched entry still lists");
    FUZZ_CHECK(enabled == wanted, "a switched entry reads in its new state");
  }
  FUZZ_CHECK(Read(system_file) == text, "the system file is never changed");
  return 0;
}
