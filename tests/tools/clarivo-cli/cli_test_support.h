// A sandbox for running clarivo-cli and clarivo-regedit as programs on a copy
// of the demo prefix, with its own HOME and XDG data folder.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"
#include "platform/wine_registry.h"

namespace cli_test {

namespace fs = std::filesystem;

inline const fs::path kSourceDir = CLARIVO_SOURCE_DIR;
inline const fs::path kBinDir = CLARIVO_BIN_DIR;

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::string Quote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

constexpr int kSignalled = 1000;

struct Result {
  int status = -1;  // exit status, or kSignalled + signal
  std::string out;
  std::string err;
};

class CliSandbox : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/clarivo-safety-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    temp_ = pattern;
    prefix_ = temp_ / "prefix";
    fs::copy(kSourceDir / "examples/demo-prefix", prefix_,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::create_directories(temp_ / "home");
    backups_ = (temp_ / "backups").string();
  }
  void TearDown() override {
    if (!temp_.empty()) fs::remove_all(temp_);
  }

  // The shell command running `program` (in the build's bin folder) with a
  // clean environment and `args`, output to files named by `tag`.
  std::string Command(const std::string& program, const std::vector<std::string>& args,
                      const std::string& tag, const std::string& env = "") const {
    std::string command =
        "exec env -u CLARIVO_REGISTRY -u WINEPREFIX -u COMSPEC HOME=" + Quote((temp_ / "home").string()) +
        " XDG_DATA_HOME=" + Quote((temp_ / "xdg").string()) + " " + env + " " +
        Quote((kBinDir / program).string());
    for (const std::string& arg : args) command += " " + Quote(arg);
    return command + " </dev/null >" + Quote((temp_ / (tag + ".out")).string()) + " 2>" +
           Quote((temp_ / (tag + ".err")).string());
  }
  // Starts the command; the pid is the program's own (the shell execs it).
  pid_t Start(const std::string& command) const {
    const pid_t pid = fork();
    if (pid == 0) {
      setpgid(0, 0);
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  Result Finish(pid_t pid, const std::string& tag) const {
    int raw = 0;
    waitpid(pid, &raw, 0);
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? kSignalled + WTERMSIG(raw) : -1;
    r.out = ReadFile(temp_ / (tag + ".out"));
    r.err = ReadFile(temp_ / (tag + ".err"));
    return r;
  }
  Result Run(const std::string& program, const std::vector<std::string>& args, const std::string& env = "") {
    return Finish(Start(Command(program, args, "run", env)), "run");
  }
  Result Cli(const std::vector<std::string>& args) { return Run("clarivo-cli", args); }
  // A shell script in the same clean environment; its output is the result's.
  Result Shell(const std::string& script) {
    const std::string command =
        "unset CLARIVO_REGISTRY WINEPREFIX COMSPEC; export HOME=" + Quote((temp_ / "home").string()) +
        " XDG_DATA_HOME=" + Quote((temp_ / "xdg").string()) + "; { " + script + "; } </dev/null >" +
        Quote((temp_ / "shell.out").string()) + " 2>" + Quote((temp_ / "shell.err").string());
    return Finish(Start(command), "shell");
  }

  std::string Registry() const { return "wine:" + prefix_.string(); }

  // Files of a folder whose name marks them as temporaries of a save.
  static std::vector<std::string> Temporaries(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const std::string name = entry.path().filename().string();
      // Whatever a save may leave beside its file, in any naming it ever used.
      if (name.starts_with("system.reg.") || name.starts_with("user.reg.") ||
          name.find(".clarivo-") != std::string::npos || name.find(".tmp") != std::string::npos) {
        found.push_back(entry.path().string());
      }
    }
    return found;
  }

  // The project's reader reads both files whole; answers whether `key` of
  // each hive exists (-1: a file could not be read).
  static int KeysPresent(const fs::path& prefix, const std::u16string& machine_key,
                         const std::u16string& user_key) {
    std::string error;
    std::unique_ptr<platform::WineRegistry> reg = platform::WineRegistry::Open(prefix.string(), &error);
    if (!reg) {
      ADD_FAILURE() << "the registry cannot be read: " << error;
      return -1;
    }
    int present = 0;
    platform::RegKey key = 0;
    if (reg->OpenKey(platform::kLocalMachine, machine_key, &key) == platform::kRegOk) {
      present |= 1;
      reg->CloseKey(key);
    }
    if (reg->OpenKey(platform::kCurrentUser, user_key, &key) == platform::kRegOk) {
      present |= 2;
      reg->CloseKey(key);
    }
    return present;
  }

  // Waits until no process has `text` in its command line.
  static void WaitForProgramsUsing(const std::string& text) {
    for (int round = 0; round < 500; ++round) {
      bool found = false;
      for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == std::to_string(getpid()))
          continue;
        std::string cmdline = ReadFile(entry.path() / "cmdline");
        std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
        found = found || cmdline.find(text) != std::string::npos;
      }
      if (!found) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "programs working on " << text << " did not end";
  }

  nlohmann::json Backups() {
    const Result r = Cli({"backups", "--json", "--backup-dir", backups_});
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out);
  }

  // Every listed point has its folder with both exports and its source.
  void ExpectListConsistent() {
    const nlohmann::json list = Backups();
    std::set<std::string> folders;
    for (const auto& point : list["restore_points"]) {
      const std::string folder = point["folder"];
      EXPECT_TRUE(folders.insert(folder).second) << "two points share " << folder;
      EXPECT_TRUE(point["folder_exists"].get<bool>()) << folder;
      for (const char* file : {"reg.reg", "reg_user.reg", "source"}) {
        EXPECT_GT(fs::file_size(fs::path(folder) / file), 10u) << folder << file;
      }
      EXPECT_FALSE(fs::exists(fs::path(folder) / ".writing")) << folder;
    }
  }

  fs::path temp_;
  fs::path prefix_;
  std::string backups_;
};

}  // namespace cli_test
