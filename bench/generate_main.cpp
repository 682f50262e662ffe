// clarivo-bench-generate DIR [--scale X]: writes a Windows-sized Wine prefix
// (about 700,000 keys and 1.2 million values at scale 1) into a new folder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench/registry_generator.h"

int main(int argc, char** argv) {
  std::string dir;
  bench::GeneratorOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--scale" && i + 1 < argc) {
      char* end = nullptr;
      options.scale = std::strtod(argv[++i], &end);
      if (*end != '\0' || options.scale <= 0 || options.scale > 10) {
        std::fprintf(stderr, "clarivo-bench-generate: --scale needs a number in (0, 10]\n");
        return 2;
      }
    } else if (dir.empty() && !arg.empty() && arg[0] != '-') {
      dir = arg;
    } else {
      std::fprintf(stderr, "usage: clarivo-bench-generate DIR [--scale X]\n");
      return 2;
    }
  }
  if (dir.empty()) {
    std::fprintf(stderr, "usage: clarivo-bench-generate DIR [--scale X]\n");
    return 2;
  }
  try {
    const auto start = std::chrono::steady_clock::now();
    const bench::GeneratedPrefix prefix = bench::GeneratePrefix(dir, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("generated %s in %.1f s\n", dir.c_str(), seconds);
    std::printf("  system.reg: %llu keys, %llu values\n", static_cast<unsigned long long>(prefix.system_keys),
                static_cast<unsigned long long>(prefix.system_values));
    std::printf("  user.reg:   %llu keys, %llu values\n", static_cast<unsigned long long>(prefix.user_keys),
                static_cast<unsigned long long>(prefix.user_values));
    std::printf("  HKEY_CLASSES_ROOT: %llu subkeys, CLSID: %llu subkeys\n",
                static_cast<unsigned long long>(prefix.classes_subkeys),
                static_cast<unsigned long long>(prefix.clsid_subkeys));
    std::printf("  drive_c: %llu files, %llu folders\n", static_cast<unsigned long long>(prefix.files),
                static_cast<unsigned long long>(prefix.folders));
    std::printf("  stale entries by type:");
    for (int type = 1; type <= 13; ++type) {
      if (type != 9 && type != 12) std::printf(" %d:%d", type, prefix.expected[type]);
    }
    std::printf("\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "clarivo-bench-generate: %s\n", e.what());
    return 1;
  }
  return 0;
}
