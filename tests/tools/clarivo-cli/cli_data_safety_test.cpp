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
#include "tests/tools/clarivo-cli/cli_test_support.h"

namespace {

using namespace cli_test;  // NOLINT(google-build-using-namespace)
namespace fs = std::filesystem;
using DataSafetyTest = CliSandbox;

TEST_F(DataSafetyTest, BackupsRacingEachOtherGetFoldersOfTheirOwnAndAllStayListed) {
  constexpr int kRounds = 6;
  std::set<std::string> printed;
  for (int round = 0; round < kRounds; ++round) {
    const pid_t a =
        Start(Command("clarivo-cli", {"backup", "--registry", Registry(), "--backup-dir", backups_}, "a"));
    const pid_t b =
        Start(Command("clarivo-cli", {"backup", "--registry", Registry(), "--backup-dir", backups_}, "b"));
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

  r = Cli({"restore", "--json", "--into-other-registry", "--registry", "wine:" + other.string(),
           "--backup-dir", backups_, "1"});
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
  EXPECT_EQ(Cli({"restore", "--registry", "wine:" + other.string(), "--backup-dir", backups_, "1"}).status,
            0);
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
      const pid_t pid = Start(Command(
          "clarivo-cli", {"fix", "--yes", "--registry", Registry(), "--backup-dir", backups_}, "fix"));
      std::this_thread::sleep_for(span * i / kPoints);
      kill(pid, signal_number);
      const Result r = Finish(pid, "fix");
      // An editor the cli started runs on in its own process group, as after
      // Ctrl-C on a terminal: it finishes its export.
      WaitForProgramsUsing(temp_.string());
      SCOPED_TRACE("signal " + std::to_string(signal_number) + " at point " + std::to_string(i) + ": " +
                   r.out + r.err);
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
  std::printf("timed SIGINTs that landed while fixing: %d of %d\n", stopped_reports, kPoints);

  // Ctrl-C once the backup has begun, on a registry big enough that the
  // backup, the fix and the save take a while: the cli stops after the step
  // under way, saves what was fixed and says how to undo it.
  fs::remove_all(prefix_);
  ASSERT_EQ(Run("clarivo-bench-generate", {prefix_.string(), "--scale", "0.05"}).status, 0);
  backups_ = (temp_ / "backups-stop").string();
  const std::string before = ReadFile(prefix_ / "system.reg");
  const pid_t pid = Start(
      Command("clarivo-cli", {"fix", "--yes", "--registry", Registry(), "--backup-dir", backups_}, "stop"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (ReadFile(temp_ / "stop.out").find("Backing up to") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(pid, SIGINT);
  const Result r = Finish(pid, "stop");
  EXPECT_EQ(r.status, 130) << r.out << r.err;
  EXPECT_NE(r.out.find("Stopped on request"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("To undo: clarivo-cli restore --registry"), std::string::npos) << r.out;
  EXPECT_TRUE(Temporaries(prefix_).empty());
  ExpectListConsistent();
  EXPECT_EQ(Backups()["restore_points"].size(), 1u);
  // What was fixed before the stop is saved; the registry reads whole.
  EXPECT_GE(KeysPresent(prefix_, u"Software", u"Software"), 0);
  const Result next = Cli({"fix", "--yes", "--registry", Registry(), "--backup-dir", backups_});
  EXPECT_EQ(next.status, 0) << next.out << next.err;
  EXPECT_NE(ReadFile(prefix_ / "system.reg"), before);
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
  std::ofstream(temp_ / "remove.reg")
      << "REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID]\r\n\r\n"
         "[-HKEY_CURRENT_USER\\Software]\r\n";
  const std::string env = "CLARIVO_REGISTRY=" + Quote(Registry());
  // The program's store runs the editor; the cli imports into the registry it has open.
  const std::pair<std::string, std::vector<std::string>> restorers[] = {
      {"clarivo-regedit", {"/s", "/i", fs::path(folder) / "reg.reg", fs::path(folder) / "reg_user.reg"}},
      {"clarivo-cli", {"restore", "--registry", Registry(), "--backup-dir", backups_, "1"}}};
  for (const auto& [program, restore] : restorers) {
    SCOPED_TRACE(program);
    // Timed on a restore that has something to do: one into an unchanged
    // registry changes nothing and saves nothing.
    ASSERT_EQ(Run("clarivo-regedit", {"/s", (temp_ / "remove.reg").string()}, env).status, 0);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(Run(program, restore, env).status, 0);
    const auto span = std::chrono::steady_clock::now() - t0;
    const int kPoints = 8;
    int before = 0, after = 0;
    for (int i = 0; i < kPoints; ++i) {
      const int signal_number = i % 2 == 0 ? SIGKILL : SIGINT;
      ASSERT_EQ(Run("clarivo-regedit", {"/s", (temp_ / "remove.reg").string()}, env).status, 0);
      ASSERT_EQ(KeysPresent(big, machine_key, user_key), 0);
      const pid_t pid = Start(Command(program, restore, "restore", env));
      // Spread over the whole run (which saves at its very end); the last one
      // comes well after it, however slow the machine is at the moment.
      std::this_thread::sleep_for(i + 1 == kPoints ? span * 4 : span * (i + 1) * 3 / (2 * kPoints));
      kill(pid, signal_number);
      Finish(pid, "restore");
      const int present = KeysPresent(big, machine_key, user_key);
      EXPECT_TRUE(present == 0 || present == 3)
          << "half restored after signal " << signal_number << " at " << i;
      (present == 3 ? after : before)++;
      if (signal_number == SIGINT) {
        EXPECT_TRUE(Temporaries(big).empty()) << "SIGINT leaves no temporary";
      }
    }
    // The next run removes what a killed one left, and restores.
    ASSERT_EQ(Run(program, restore, env).status, 0);
    EXPECT_EQ(KeysPresent(big, machine_key, user_key), 3);
    EXPECT_TRUE(Temporaries(big).empty());
    ExpectListConsistent();
    EXPECT_GT(after, 0) << "no signal came late enough";
    std::printf("%s, interrupted restores: %d left the registry as it was, %d fully restored\n",
                program.c_str(), before, after);
  }
}

}  // namespace
