// Nothing lost: clarivo-cli and clarivo-regedit run as programs, raced
// against each other, interrupted at many points, and pointed at registries
// that are linked, read-only or not the one a backup was made from.
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

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = CLARIVO_SOURCE_DIR;
const fs::path kBinDir = CLARIVO_BIN_DIR;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Quote(const std::string& text) {
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

class DataSafetyTest : public ::testing::Test {
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
  std::string Command(const std::string& program, const std::vector<std::string>& args, const std::string& tag,
                      const std::string& env = "") const {
    std::string command = "exec env -u CLARIVO_REGISTRY -u WINEPREFIX -u COMSPEC HOME=" +
                          Quote((temp_ / "home").string()) + " XDG_DATA_HOME=" + Quote((temp_ / "xdg").string()) +
                          " " + env + " " + Quote((kBinDir / program).string());
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

  std::string Registry() const { return "wine:" + prefix_.string(); }

  // Files of a folder whose name marks them as temporaries of a save.
  static std::vector<std::string> Temporaries(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const std::string name = entry.path().filename().string();
      if (name.find(".clarivo-tmp-") != std::string::npos || name.find(".tmp") != std::string::npos) {
        found.push_back(entry.path().string());
      }
    }
    return found;
  }

  // The project's reader reads both files whole; answers whether `key` of
  // each hive exists (-1: a file could not be read).
  static int KeysPresent(const fs::path& prefix, const std::u16string& machine_key, const std::u16string& user_key) {
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
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == std::to_string(getpid())) continue;
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

TEST_F(DataSafetyTest, BackupsRacingEachOtherGetFoldersOfTheirOwnAndAllStayListed) {
  constexpr int kRounds = 6;
  std::set<std::string> printed;
  for (int round = 0; round < kRounds; ++round) {
    const pid_t a = Start(Command("clarivo-cli", {"backup", "--registry", Registry(), "--backup-dir", backups_}, "a"));
    const pid_t b = Start(Command("clarivo-cli", {"backup", "--registry", Registry(), "--backup-dir", backups_}, "b"));
    const Result ra = Finish(a, "a"), rb = Finish(b, "b");
    ASSERT_EQ(ra.status, 0) << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.err;
    EXPECT_NE(ra.out, rb.out) << "both were told the same point: " << ra.out;
    printed.insert(ra.out);
    printed.insert(rb.out);
  }
  EXPECT_EQ(printed.size(), 2u * kRounds);
  const nlohmann::json list = Backups();
  EXPECT_EQ(list["restore_points"].size(), 2u * kRounds);
  EXPECT_TRUE(list["interrupted_backups"].empty()) << list.dump();
  int folders = 0;
  for (const auto& entry : fs::directory_iterator(backups_)) folders += entry.is_directory();
  EXPECT_EQ(folders, 2 * kRounds) << "every folder is in the list";
  ExpectListConsistent();
}

TEST_F(DataSafetyTest, RestoreIntoAnotherRegistryIsRefusedUnlessAskedFor) {
  ASSERT_EQ(Cli({"backup", "--registry", Registry(), "--backup-dir", backups_}).status, 0);
  Result r = Cli({"backups", "--backup-dir", backups_});
  EXPECT_NE(r.out.find("from wine:" + fs::canonical(prefix_).string()), std::string::npos) << r.out;

  // A pristine prefix elsewhere: the demo's keys must not be merged into it.
  const fs::path other = temp_ / "other";
  fs::create_directories(other);
  std::ofstream(other / "system.reg") << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                                      << "[Software\\\\Pristine] 1700000000\n\"Kept\"=\"yes\"\n";
  const std::string before = ReadFile(other / "system.reg");
  r = Cli({"restore", "--registry", "wine:" + other.string(), "--backup-dir", backups_, "1"});
  EXPECT_EQ(r.status, 6) << r.out << r.err;
  EXPECT_NE(r.err.find("--into-other-registry"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(fs::canonical(prefix_).string()), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(other / "system.reg"), before);
  EXPECT_FALSE(fs::exists(other / "user.reg"));
  // The folder given by its path is refused the same way.
  const std::string folder = Backups()["restore_points"][0]["folder"];
  EXPECT_EQ(Cli({"restore", "--registry", "wine:" + other.string(), folder}).status, 6);
  EXPECT_EQ(ReadFile(other / "system.reg"), before);

  // The same prefix by another name (a link) is the same registry.
  fs::create_directory_symlink(prefix_, temp_ / "link-to-prefix");
  r = Cli({"restore", "--registry", (temp_ / "link-to-prefix").string(), "--backup-dir", backups_, "1"});
  EXPECT_EQ(r.status, 0) << r.err;

  r = Cli({"restore", "--json", "--into-other-registry", "--registry", "wine:" + other.string(), "--backup-dir",
           backups_, "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["restore_point"], 1);
  EXPECT_EQ(doc["made_from"], "wine:" + fs::canonical(prefix_).string());
  EXPECT_EQ(KeysPresent(other, u"Software\\Pristine", u"Software\\Abandoned Vendor"), 3)
      << "keys of the other prefix stay, the backup's come in";

  // A point from before the source was recorded restores anywhere.
  fs::remove(fs::path(folder) / "source");
  r = Cli({"backups", "--backup-dir", backups_});
  EXPECT_NE(r.out.find("(registry not recorded)"), std::string::npos) << r.out;
  EXPECT_EQ(Cli({"restore", "--registry", "wine:" + other.string(), "--backup-dir", backups_, "1"}).status, 0);
}

TEST_F(DataSafetyTest, DamagedSecondFileChangesNothing) {
  ASSERT_EQ(Cli({"backup", "--registry", Registry(), "--backup-dir", backups_}).status, 0);
  ASSERT_EQ(Cli({"fix", "--yes", "--registry", Registry(), "--backup-dir", backups_}).status, 0);
  const std::string folder = Backups()["restore_points"][0]["folder"];
  // The machine file is fine, the user file breaks off in its middle.
  std::string user = ReadFile(fs::path(folder) / "reg_user.reg");
  user.resize(user.size() / 2 & ~std::size_t{1});
  user += std::string("\x5b\0\x48\0\x4b\0\x45\0\x59\0\x5f\0\x42\0\x41\0\x44\0\x0d\0\x0a\0", 22);
  std::ofstream(fs::path(folder) / "reg_user.reg", std::ios::binary) << user;

  const std::string before = ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg");
  Result r = Cli({"restore", "--registry", Registry(), "--backup-dir", backups_, "1"});
  EXPECT_EQ(r.status, 4) << r.out << r.err;
  EXPECT_NE(r.err.find("reg_user.reg"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg"), before)
      << "the first file must not be imported when the second is damaged";
  r = Cli({"restore", "--registry", Registry(), folder});
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg"), before);
  // An unreadable second file, the same.
  r = Run("clarivo-regedit", {"/s", fs::path(folder) / "reg.reg", (temp_ / "missing.reg").string()},
          "CLARIVO_REGISTRY=" + Quote(Registry()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.reg: No such file or directory"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg"), before);
}

TEST_F(DataSafetyTest, LinkedUserRegIsWrittenThroughTheLink) {
  fs::create_directories(temp_ / "elsewhere");
  fs::rename(prefix_ / "user.reg", temp_ / "elsewhere/user.reg");
  fs::create_symlink(temp_ / "elsewhere/user.reg", prefix_ / "user.reg");
  const std::string before = ReadFile(temp_ / "elsewhere/user.reg");
  ASSERT_EQ(Cli({"fix", "--yes", "--registry", Registry(), "--backup-dir", backups_}).status, 0);
  EXPECT_TRUE(fs::is_symlink(prefix_ / "user.reg"));
  EXPECT_NE(ReadFile(temp_ / "elsewhere/user.reg"), before) << "the link's target holds the fix";
  EXPECT_EQ(ReadFile(temp_ / "elsewhere/user.reg").find("Abandoned Vendor"), std::string::npos);
  ASSERT_EQ(Cli({"restore", "--registry", Registry(), "--backup-dir", backups_, "1"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(prefix_ / "user.reg"));
  EXPECT_NE(ReadFile(temp_ / "elsewhere/user.reg").find("Abandoned Vendor"), std::string::npos);
  EXPECT_TRUE(Temporaries(temp_ / "elsewhere").empty());
  EXPECT_TRUE(Temporaries(prefix_).empty());
}

TEST_F(DataSafetyTest, ReadOnlyPrefixIsRefusedWithItsCauseBeforeAnyBackup) {
  // Permission bits do not stop root, so the prefix is made read-only for
  // real: a read-only bind mount inside a user and mount namespace of its own.
  if (std::system("unshare -rm true >/dev/null 2>&1") != 0) GTEST_SKIP() << "no user namespaces here";
  const std::string mount = "mount --bind -o ro " + Quote(prefix_.string()) + " " + Quote(prefix_.string());
  auto in_read_only = [&](const std::vector<std::string>& args) {
    std::string command = Command("clarivo-cli", args, "ro");
    command = "unshare -rm sh -c " + Quote(mount + " && " + command);
    return Finish(Start(command), "ro");
  };
  const std::string before = ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg");
  Result r = in_read_only({"fix", "--yes", "--registry", Registry(), "--backup-dir", backups_});
  EXPECT_EQ(r.status, 6) << r.out << r.err;
  EXPECT_NE(r.err.find(prefix_.string() + "/system.reg"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Read-only file system"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("fixing failed"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(backups_)) << "no restore point for a fix that cannot happen";

  ASSERT_EQ(Cli({"backup", "--registry", Registry(), "--backup-dir", backups_}).status, 0);
  r = in_read_only({"restore", "--registry", Registry(), "--backup-dir", backups_, "1"});
  EXPECT_EQ(r.status, 6) << r.out << r.err;
  EXPECT_NE(r.err.find("Read-only file system"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg"), before);
}

TEST_F(DataSafetyTest, FixInterruptedAtManyPointsLeavesAWholeRegistryAndAConsistentList) {
  // How long an undisturbed fix takes on a copy, to spread the signals over it.
  const fs::path pristine = temp_ / "pristine";
  fs::copy(prefix_, pristine, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(Cli({"fix", "--yes", "--registry", "wine:" + pristine.string(), "--backup-dir",
                 (temp_ / "pristine-backups").string()})
                .status,
            0);
  const auto span = std::chrono::steady_clock::now() - t0;
  const int kPoints = 8;
  int stopped_reports = 0;
  for (int i = 0; i < kPoints; ++i) {
    for (const int signal_number : {SIGINT, SIGKILL}) {
      fs::remove_all(prefix_);
      // A store of its own each time, so that no backup waits for the next second.
      backups_ = (temp_ / ("backups-" + std::to_string(i) + "-" + std::to_string(signal_number))).string();
      fs::copy(kSourceDir / "examples/demo-prefix", prefix_,
               fs::copy_options::recursive | fs::copy_options::copy_symlinks);
      const pid_t pid =
          Start(Command("clarivo-cli", {"fix", "--yes", "--registry", Registry(), "--backup-dir", backups_}, "fix"));
      std::this_thread::sleep_for(span * i / kPoints);
      kill(pid, signal_number);
      const Result r = Finish(pid, "fix");
      // An editor the cli started runs on in its own process group, as after
      // Ctrl-C on a terminal: it finishes its export.
      WaitForProgramsUsing(temp_.string());
      SCOPED_TRACE("signal " + std::to_string(signal_number) + " at point " + std::to_string(i) + ": " + r.out +
                   r.err);
      if (signal_number == SIGINT && r.status == 130) {
        ++stopped_reports;
        EXPECT_NE(r.out.find("Stopped on request"), std::string::npos);
        EXPECT_NE(r.out.find("To undo: clarivo-cli restore --registry"), std::string::npos);
      } else if (signal_number == SIGINT) {
        EXPECT_TRUE(r.status == 0 || r.status == kSignalled + SIGINT) << r.status;
      }
      EXPECT_GE(KeysPresent(prefix_, u"Software", u"Software"), 0);
      // The next run cleans up after a killed one, and works.
      const Result next = Cli({"fix", "--yes", "--registry", Registry(), "--backup-dir", backups_});
      EXPECT_EQ(next.status, 0) << next.out << next.err;
      EXPECT_TRUE(Temporaries(prefix_).empty());
      const nlohmann::json list = Backups();
      for (const auto& orphan : list["interrupted_backups"]) {
        EXPECT_EQ(signal_number, SIGKILL) << "only a killed backup leaves a folder behind";
        const std::string name = fs::path(orphan.get<std::string>()).parent_path().filename().string();
        EXPECT_EQ(Cli({"delete", "--yes", "--backup-dir", backups_, name}).status, 0);
        EXPECT_FALSE(fs::exists(orphan.get<std::string>()));
      }
      ExpectListConsistent();
    }
  }
  EXPECT_GT(stopped_reports, 0) << "no SIGINT landed while fixing";
}

TEST_F(DataSafetyTest, RestoreOfALargeRegistryIsAllOrNothingWhenInterrupted) {
  const fs::path big = temp_ / "big";
  Result r = Run("clarivo-bench-generate", {big.string(), "--scale", "0.1"});
  ASSERT_EQ(r.status, 0) << r.err;
  prefix_ = big;
  ASSERT_EQ(Cli({"backup", "--registry", Registry(), "--backup-dir", backups_}).status, 0);
  const std::string folder = Backups()["restore_points"][0]["folder"];
  // One key of each hive goes; a restore brings both back, or neither.
  const std::u16string machine_key = u"Software\\Classes\\CLSID";
  const std::u16string user_key = u"Software";
  ASSERT_EQ(KeysPresent(big, machine_key, user_key), 3);
  std::ofstream(temp_ / "remove.reg") << "REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID]\r\n\r\n"
                                         "[-HKEY_CURRENT_USER\\Software]\r\n";
  const std::string env = "CLARIVO_REGISTRY=" + Quote(Registry());
  const std::vector<std::string> restore = {"/s", "/i", fs::path(folder) / "reg.reg",
                                            fs::path(folder) / "reg_user.reg"};
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(Run("clarivo-regedit", restore, env).status, 0);
  const auto span = std::chrono::steady_clock::now() - t0;
  const int kPoints = 8;
  int before = 0, after = 0;
  for (int i = 0; i < kPoints; ++i) {
    const int signal_number = i % 2 == 0 ? SIGKILL : SIGINT;
    ASSERT_EQ(Run("clarivo-regedit", {"/s", (temp_ / "remove.reg").string()}, env).status, 0);
    ASSERT_EQ(KeysPresent(big, machine_key, user_key), 0);
    const pid_t pid = Start(Command("clarivo-regedit", restore, "restore", env));
    // Spread over the whole run (which saves at its very end), the last ones after it.
    std::this_thread::sleep_for(span * (i + 1) * 3 / (2 * kPoints));
    kill(pid, signal_number);
    Finish(pid, "restore");
    const int present = KeysPresent(big, machine_key, user_key);
    EXPECT_TRUE(present == 0 || present == 3) << "half restored after signal " << signal_number << " at " << i;
    (present == 3 ? after : before)++;
    if (signal_number == SIGINT) {
      EXPECT_TRUE(Temporaries(big).empty()) << "SIGINT leaves no temporary";
    }
  }
  // The next run removes what a killed one left, and restores.
  ASSERT_EQ(Run("clarivo-regedit", restore, env).status, 0);
  EXPECT_EQ(KeysPresent(big, machine_key, user_key), 3);
  EXPECT_TRUE(Temporaries(big).empty());
  ExpectListConsistent();
  EXPECT_GT(after, 0) << "no signal came late enough";
  std::printf("interrupted restores: %d left the registry as it was, %d fully restored\n", before, after);
}

}  // namespace
