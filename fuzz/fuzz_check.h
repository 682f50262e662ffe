// What the fuzz targets share: a check that stops the run with a message when
// a property does not hold (libFuzzer keeps the input that made it stop), and
// a scratch folder of the process's own.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition, what)                                                     \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, (what)); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

namespace fuzz {

// A folder under /tmp made once per process and removed at its exit.
const std::string& ScratchFolder();
// Writes `bytes` to `path` (replacing it); false when it cannot.
bool WriteFile(const std::string& path, std::string_view bytes);

}  // namespace fuzz
