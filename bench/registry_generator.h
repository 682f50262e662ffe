// Generates a Windows-sized Wine prefix for the benchmark: system.reg and
// user.reg holding every kind of entry the eleven scanners look at, a tenth
// of each kind stale, and the (empty) files and folders the rest point at.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace bench {

struct GeneratorOptions {
  double scale = 1.0;  // 1.0: about 700,000 keys and 1.2 million values
  std::uint64_t target_keys = 700'000;
  std::uint64_t target_values = 1'200'000;
};

struct GeneratedPrefix {
  std::uint64_t system_keys = 0, system_values = 0;
  std::uint64_t user_keys = 0, user_values = 0;
  std::uint64_t classes_subkeys = 0, clsid_subkeys = 0;
  std::uint64_t files = 0, folders = 0;
  std::array<int, 14> expected{};  // stale entries written, by problem type (index = type)
};

// Writes the prefix into `dir` (created; must not hold a prefix yet).
// Throws std::runtime_error when a file cannot be written.
GeneratedPrefix GeneratePrefix(const std::string& dir, const GeneratorOptions& options);

// The file beside the registry that lists the expected findings per type,
// one "TYPE COUNT" line each; read back by the benchmark.
inline constexpr const char* kExpectedFileName = "bench-expected.txt";

}  // namespace bench
