// clarivo-bench DIR [--engine FILE] [--repeat N]: times the load of a Wine
// prefix's registry and a full scan of all eleven problem types through the
// engine library, and reports the peak memory. When DIR holds the generator's
// list of expected findings, the counts found must match it (exit status 1).
#include <dlfcn.h>
#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "bench/registry_generator.h"
#include "platform/windows_system.h"
#include "shared/clean_reg.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::array<int, 11> kTypes = {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13};
constexpr double kGoalSeconds = 3.0;
constexpr double kGoalMiB = 1024.0;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// On a shared machine the wall clock also counts other people's work; the
// process's CPU time is what the same run takes on an idle machine.
double CpuNow() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Timing {
  double wall = 0, cpu = 0;
};

class Stopwatch {
 public:
  Stopwatch() : wall_(Clock::now()), cpu_(CpuNow()) {}
  Timing Read() const { return {Since(wall_), CpuNow() - cpu_}; }

 private:
  Clock::time_point wall_;
  double cpu_;
};

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

double CurrentMiB() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      double kib = 0;
      status >> kib;
      return kib / 1024.0;
    }
  }
  return 0;
}

// What a program's callback does per item: look at the record and go on.
class CountingCallback : public Function::ICallback {
 public:
  bool OnProgress(const Function::RegProgressInfo* info) override {
    ++calls;
    last_percent = info->percent;
    return true;
  }
  long calls = 0;
  int last_percent = 0;
};

std::array<int, 14> ReadExpected(const std::string& dir, bool* present) {
  std::array<int, 14> expected{};
  std::ifstream in(dir + "/" + bench::kExpectedFileName);
  *present = static_cast<bool>(in);
  int type = 0, count = 0;
  while (in >> type >> count) {
    if (type >= 1 && type <= 13) expected[type] = count;
  }
  return expected;
}

int Usage() {
  std::fprintf(stderr, "usage: clarivo-bench DIR [--engine FILE] [--repeat N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, engine_path = CLARIVO_ENGINE_PATH;
  int repeat = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--engine" && i + 1 < argc) {
      engine_path = argv[++i];
    } else if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::atoi(argv[++i]);
      if (repeat < 1) return Usage();
    } else if (dir.empty() && !arg.empty() && arg[0] != '-') {
      dir = arg;
    } else {
      return Usage();
    }
  }
  if (dir.empty()) return Usage();
  const std::string source = "wine:" + dir;

  // 1. The registry layer alone: read and parse system.reg and user.reg.
  Timing load;
  double load_rss = 0;
  {
    std::string error;
    const Stopwatch watch;
    std::unique_ptr<platform::WindowsSystem> system = platform::OpenWindowsSystem(source, &error);
    load = watch.Read();
    if (!system) {
      std::fprintf(stderr, "clarivo-bench: cannot open %s: %s\n", source.c_str(), error.c_str());
      return 1;
    }
    load_rss = CurrentMiB();
    platform::RegKey clsid = 0;
    std::uint32_t classes = 0, clsids = 0, ignored = 0;
    system->registry().QueryInfo(platform::kClassesRoot, &classes, &ignored);
    if (system->registry().OpenKey(platform::kClassesRoot, u"CLSID", &clsid) == platform::kRegOk) {
      system->registry().QueryInfo(clsid, &clsids, &ignored);
      system->registry().CloseKey(clsid);
    }
    std::printf("registry %s: HKEY_CLASSES_ROOT %u subkeys, CLSID %u subkeys\n", source.c_str(), classes,
                clsids);
  }
  malloc_trim(0);  // the engine loads its own copy next; the peak is the larger of the two

  // 2. The engine as the program uses it: dlopen, FunCreate, Scan per type.
  setenv("CLARIVO_REGISTRY", source.c_str(), 1);
  void* library = dlopen(engine_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "clarivo-bench: cannot load %s: %s\n", engine_path.c_str(), dlerror());
    return 1;
  }
  auto create = reinterpret_cast<FunCreateFn>(dlsym(library, kFunCreateSymbol));
  if (!create) {
    std::fprintf(stderr, "clarivo-bench: %s has no %s\n", engine_path.c_str(), kFunCreateSymbol);
    return 1;
  }
  const Stopwatch create_watch;
  Function::ICleanReg* engine = create();
  const Timing creation = create_watch.Read();
  if (!engine) {
    std::fprintf(stderr, "clarivo-bench: FunCreate returned null\n");
    return 1;
  }

  std::array<int, 14> found{};
  Timing best_full;
  std::printf("times as wall clock / CPU seconds (the CPU time is what an idle machine takes)\n");
  for (int run = 0; run < repeat; ++run) {
    std::printf("full scan%s:\n", repeat > 1 ? (" " + std::to_string(run + 1)).c_str() : "");
    Timing full;
    for (int type : kTypes) {
      CountingCallback callback;
      const Stopwatch watch;
      const Function::RegProblemList* list = engine->Scan(type, &callback);
      const Timing took = watch.Read();
      full.wall += took.wall;
      full.cpu += took.cpu;
      found[type] = list->count;
      std::printf("  type %2d: %7.3f / %7.3f s  %6d findings  %7ld items  (ends at %d%%)\n", type, took.wall,
                  took.cpu, list->count, callback.calls, callback.last_percent);
    }
    std::printf("  all eleven types: %.3f / %.3f s\n", full.wall, full.cpu);
    if (run == 0 || full.cpu < best_full.cpu) best_full = full;
  }
  engine->Release();
  dlclose(library);

  const double peak = PeakMiB();
  std::printf("load (platform::OpenWindowsSystem): %.3f / %.3f s, resident after load %.0f MiB\n", load.wall,
              load.cpu, load_rss);
  std::printf("engine creation (FunCreate, loads the registry again): %.3f / %.3f s\n", creation.wall,
              creation.cpu);
  std::printf("full scan: %.3f / %.3f s%s\n", best_full.wall, best_full.cpu, repeat > 1 ? " (best run)" : "");
  std::printf("peak resident memory (ru_maxrss): %.0f MiB\n", peak);
  const double wall = std::max(load.wall, creation.wall) + best_full.wall;
  const double cpu = std::max(load.cpu, creation.cpu) + best_full.cpu;
  const bool goal = cpu < kGoalSeconds && peak < kGoalMiB;
  std::printf("load + full scan: %.3f / %.3f s; goal (< %.0f s CPU, < %.0f MiB): %s\n", wall, cpu,
              kGoalSeconds, kGoalMiB, goal ? "met" : "MISSED");

  bool have_expected = false;
  const std::array<int, 14> expected = ReadExpected(dir, &have_expected);
  if (!have_expected) return 0;
  int status = 0;
  for (int type : kTypes) {
    if (found[type] != expected[type]) {
      std::printf("type %d: found %d, the generator wrote %d stale entries\n", type, found[type],
                  expected[type]);
      status = 1;
    }
  }
  if (status == 0) std::printf("findings match the generated stale entries for all eleven types\n");
  return status;
}
