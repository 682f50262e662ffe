#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fuzz_check.h"

namespace fuzz {

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    char name[] = "/tmp/clarivo-fuzz-XXXXXX";
    const char* made = mkdtemp(name);
    std::string path = made ? made : "/tmp";
    if (made) {
      static std::string to_remove;
      to_remove = path;
      std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(to_remove, ignored);
      });
    }
    return path;
  }();
  return folder;
}

bool WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace fuzz
