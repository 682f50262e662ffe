// clarivo-bench DIR [--repeat N] [--cli FILE]: times, in one run, the plain
// read of a Wine prefix's registry files, the load of its registry, the scan
// of each of the eleven problem types by the engine over that registry (as
// clarivo-cli drives it), and clarivo-cli scan --json end to end; reports
// medians, peak memory and every time as a ratio to the plain read, which is
// what to compare between runs on a shared machine. When DIR holds the
// generator's list of expected findings, the counts found must match it
// (exit status 1).
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/registry_generator.h"
#include "engine/clean_reg_imp.h"
#include "engine/engine_state.h"
#include "platform/windows_system.h"
#include "shared/clean_reg.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::array<int, 11> kTypes = {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13};
// The goal for clarivo-cli scan --json of a Windows-sized registry.
constexpr double kGoalSeconds = 1.0;
constexpr double kGoalMiB = 400.0;

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

// Median of the walls and, separately, of the CPU times.
Timing Median(std::vector<Timing> runs) {
  if (runs.empty()) return {};
  auto middle = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  };
  std::vector<double> walls, cpus;
  for (const Timing& t : runs) {
    walls.push_back(t.wall);
    cpus.push_back(t.cpu);
  }
  return {middle(walls), middle(cpus)};
}

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

// Reads a file through, the plain way (as cat does), as the floor any loader
// is measured against.
std::size_t PlainRead(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  static char buffer[1 << 16];
  std::size_t have = 0;
  while (true) {
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n <= 0) break;
    have += static_cast<std::size_t>(n);
  }
  close(fd);
  return have;
}

struct ChildRun {
  bool ok = false;
  int status = 0;
  Timing time;
  double peak_mib = 0;
};

// Runs `argv` with standard output and error sent to /dev/null.
ChildRun RunChild(const std::vector<std::string>& args) {
  ChildRun run;
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.time.wall = Since(start);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  run.time.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.ok = WIFEXITED(status);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

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
  std::fprintf(stderr, "usage: clarivo-bench DIR [--repeat N] [--cli FILE]\n");
  return 2;
}

void PrintTiming(const char* what, const Timing& t, const Timing& plain) {
  std::printf("  %-28s %7.3f / %7.3f s   x%6.1f / x%6.1f the plain read\n", what, t.wall, t.cpu,
              plain.wall > 0 ? t.wall / plain.wall : 0.0, plain.cpu > 0 ? t.cpu / plain.cpu : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, cli_path = CLARIVO_CLI_PATH;
  int repeat = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--cli" && i + 1 < argc) {
      cli_path = argv[++i];
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

  std::vector<Timing> plain_runs, load_runs, full_runs;
  std::array<std::vector<Timing>, 14> type_runs;
  std::array<int, 14> found{};
  std::array<long, 14> items{};
  double load_rss = 0;
  std::printf("registry %s, %d runs; times are wall clock / CPU seconds\n", source.c_str(), repeat);
  for (int run = 0; run < repeat; ++run) {
    // 1. The floor: both files read into memory, nothing else.
    {
      const Stopwatch watch;
      std::size_t bytes = PlainRead(dir + "/system.reg") + PlainRead(dir + "/user.reg");
      plain_runs.push_back(watch.Read());
      if (run == 0) std::printf("registry files: %.1f MiB\n", static_cast<double>(bytes) / (1 << 20));
    }
    // 2. The registry layer alone: read and parse system.reg and user.reg.
    std::unique_ptr<platform::WindowsSystem> system;
    {
      std::string error;
      const Stopwatch watch;
      system = platform::OpenWindowsSystem(source, &error);
      load_runs.push_back(watch.Read());
      if (!system) {
        std::fprintf(stderr, "clarivo-bench: cannot open %s: %s\n", source.c_str(), error.c_str());
        return 1;
      }
      load_rss = std::max(load_rss, CurrentMiB());
    }
    // 3. The engine over that registry, as clarivo-cli drives it: Scan per type.
    auto* engine = new Function::CCleanRegImp(std::make_unique<Function::CRegEngine>(std::move(system)));
    Timing full;
    for (int type : kTypes) {
      CountingCallback callback;
      const Stopwatch watch;
      const Function::RegProblemList* list = engine->Scan(type, &callback);
      const Timing took = watch.Read();
      full.wall += took.wall;
      full.cpu += took.cpu;
      type_runs[type].push_back(took);
      found[type] = list->count;
      items[type] = callback.calls;
    }
    full_runs.push_back(full);
    engine->Release();
    malloc_trim(0);
  }
  const double peak = PeakMiB();

  // 4. The cli end to end, in a process of its own.
  std::vector<Timing> cli_runs;
  double cli_peak = 0;
  bool cli_ok = true;
  for (int run = 0; run < repeat; ++run) {
    const ChildRun child = RunChild({cli_path, "scan", "--json", "--registry", source});
    if (!child.ok || (child.status != 0 && child.status != 1)) {
      std::fprintf(stderr, "clarivo-bench: %s scan failed (status %d)\n", cli_path.c_str(), child.status);
      cli_ok = false;
      break;
    }
    cli_runs.push_back(child.time);
    cli_peak = std::max(cli_peak, child.peak_mib);
  }

  const Timing plain = Median(plain_runs);
  std::printf("medians of %d runs (wall / CPU; ratio to the plain read of the files in this run):\n", repeat);
  PrintTiming("plain read of the files", plain, plain);
  PrintTiming("load", Median(load_runs), plain);
  for (int type : kTypes) {
    const std::string label = "type " + std::to_string(type) + " (" + std::to_string(found[type]) +
                              " found, " + std::to_string(items[type]) + " items)";
    PrintTiming(label.c_str(), Median(type_runs[type]), plain);
  }
  PrintTiming("full scan (all eleven types)", Median(full_runs), plain);
  const Timing cli = Median(cli_runs);
  if (cli_ok) PrintTiming("clarivo-cli scan --json", cli, plain);
  std::printf(
      "memory: resident after load %.0f MiB, peak of load and scans %.0f MiB, clarivo-cli peak %.0f MiB\n",
      load_rss, peak, cli_peak);
  const bool goal = cli_ok && cli.wall < kGoalSeconds && cli_peak < kGoalMiB;
  std::printf("clarivo-cli scan --json: %.3f s wall, %.0f MiB; goal (< %.0f s, < %.0f MiB): %s\n", cli.wall,
              cli_peak, kGoalSeconds, kGoalMiB, goal ? "met" : "MISSED");

  bool have_expected = false;
  const std::array<int, 14> expected = ReadExpected(dir, &have_expected);
  if (!cli_ok) return 1;
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
