// Replacing files: through symbolic links, temporaries of killed and
// interrupted writers, and the writability check on a read-only mount.
#include "platform/atomic_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry_files.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool Replace(const std::string& path, const std::string& bytes, std::string* error) {
  const FileReplacement file{path, bytes};
  return ReplaceFiles({&file, 1}, error);
}

class AtomicWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/clarivo-atomic-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(AtomicWriteTest, SymbolicLinkIsWrittenThroughAndStaysALink) {
  fs::create_directories(dir_ / "prefix");
  fs::create_directories(dir_ / "elsewhere");
  Write(dir_ / "elsewhere/user.reg", "old");
  fs::create_symlink("../elsewhere/user.reg", dir_ / "prefix/user.reg");
  // A chain of two links, the last one dangling: the file is made where it points.
  fs::create_symlink(dir_ / "prefix/second", dir_ / "prefix/first");
  fs::create_symlink("../elsewhere/new.reg", dir_ / "prefix/second");

  const std::string user = "WINE REGISTRY Version 2\nnew\n";
  const std::string fresh = "made through a dangling link";
  const FileReplacement files[] = {{(dir_ / "prefix/user.reg").string(), user},
                                   {(dir_ / "prefix/first").string(), fresh}};
  std::string error;
  ASSERT_TRUE(ReplaceFiles(files, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir_ / "prefix/user.reg"));
  EXPECT_EQ(fs::read_symlink(dir_ / "prefix/user.reg"), "../elsewhere/user.reg");
  EXPECT_EQ(Read(dir_ / "elsewhere/user.reg"), user);
  EXPECT_TRUE(fs::is_symlink(dir_ / "prefix/first"));
  EXPECT_EQ(Read(dir_ / "elsewhere/new.reg"), fresh);
  EXPECT_EQ(Names(dir_ / "prefix"), (std::vector<std::string>{"first", "second", "user.reg"}));
  EXPECT_EQ(Names(dir_ / "elsewhere"), (std::vector<std::string>{"new.reg", "user.reg"}));

  // A loop is refused, naming the file.
  fs::create_symlink(dir_ / "prefix/loop", dir_ / "prefix/loop");
  EXPECT_FALSE(Replace((dir_ / "prefix/loop").string(), "x", &error));
  EXPECT_NE(error.find("prefix/loop"), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(ELOOP)), std::string::npos) << error;
}

TEST_F(AtomicWriteTest, ModeOfTheOldFileIsKept) {
  Write(dir_ / "system.reg", "old");
  fs::permissions(dir_ / "system.reg", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::string error;
  ASSERT_TRUE(Replace((dir_ / "system.reg").string(), "new", &error)) << error;
  EXPECT_EQ(fs::status(dir_ / "system.reg").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A child that makes a temporary the way a writer does, holds its lock, and
// waits to be killed.
pid_t HoldTemporary(const fs::path& name) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    flock(fd, LOCK_EX);
    [[maybe_unused]] ssize_t n = write(fd, "partial", 7);
    n = write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char c;
  [[maybe_unused]] ssize_t n = read(ready[0], &c, 1);
  close(ready[0]);
  close(ready[1]);
  return pid;
}

TEST_F(AtomicWriteTest, TemporariesOfKilledWritersAreRemovedByTheNextWriterOnly) {
  const fs::path target = dir_ / "system.reg";
  Write(target, "old");
  const fs::path killed = dir_ / ("system.reg" + std::string(kTempMarker) + "Killed01");
  const fs::path alive = dir_ / ("system.reg" + std::string(kTempMarker) + "Alive001");
  const fs::path other = dir_ / ("user.reg" + std::string(kTempMarker) + "Other001");
  const fs::path lookalike = dir_ / "system.reg.backup";
  const pid_t victim = HoldTemporary(killed);
  const pid_t writer = HoldTemporary(alive);
  ASSERT_GT(victim, 0);
  ASSERT_GT(writer, 0);
  kill(victim, SIGKILL);
  waitpid(victim, nullptr, 0);
  Write(other, "x");
  Write(lookalike, "the user's own copy");

  std::string error;
  ASSERT_TRUE(Replace(target.string(), "new", &error)) << error;
  EXPECT_FALSE(fs::exists(killed)) << "left by a killed writer";
  EXPECT_TRUE(fs::exists(alive)) << "a live writer's file is its own";
  EXPECT_TRUE(fs::exists(other)) << "only temporaries of the file being written";
  EXPECT_EQ(Read(lookalike), "the user's own copy");
  EXPECT_EQ(Read(target), "new");

  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  EXPECT_EQ(RemoveStaleTemporaries(target.string()), 1);
  EXPECT_FALSE(fs::exists(alive));
}

// A child replacing a big file over and over until a signal ends it.
pid_t StartSaving(const fs::path& target, bool handles_signals) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (handles_signals) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      sigaction(SIGINT, &ignore, nullptr);
    }
    const std::string big(24 << 20, 'x');
    for (int round = 0;; ++round) {
      std::string bytes = big;
      bytes[0] = static_cast<char>('a' + round % 26);
      std::string error;
      if (!Replace(target.string(), bytes, &error)) _exit(3);
      if (handles_signals && round == 3) _exit(0);
    }
  }
  return pid;
}

TEST_F(AtomicWriteTest, InterruptedSavesLeaveOneWholeFileAndNoTemporary) {
  const fs::path target = dir_ / "system.reg";
  for (int delay_ms : {1, 5, 20, 50, 120, 250}) {
    for (int signal_number : {SIGINT, SIGTERM}) {
      const pid_t pid = StartSaving(target, false);
      ASSERT_GT(pid, 0);
      usleep(static_cast<useconds_t>(delay_ms) * 1000);
      kill(pid, signal_number);
      int status = 0;
      waitpid(pid, &status, 0);
      ASSERT_TRUE(WIFSIGNALED(status)) << "the signal still ends the process, status " << status;
      EXPECT_EQ(WTERMSIG(status), signal_number);
      const std::vector<std::string> names = Names(dir_);
      EXPECT_TRUE(names.empty() || names == std::vector<std::string>{"system.reg"})
          << "after " << delay_ms << " ms: " << names.size() << " files, e.g. " << names.back();
      if (fs::exists(target)) {
        EXPECT_EQ(fs::file_size(target), 24u << 20);
      }
    }
  }
  // A program that handles SIGINT itself keeps its handler: its saves go on.
  const pid_t pid = StartSaving(target, true);
  usleep(20 * 1000);
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"system.reg"});
}

TEST_F(AtomicWriteTest, ProblemsNameTheFileAndTheReason) {
  fs::create_directories(dir_ / "prefix");
  Write(dir_ / "prefix/system.reg", "x");
  EXPECT_EQ(ReplaceProblem((dir_ / "prefix/system.reg").string()), "");
  EXPECT_EQ(RegistryWriteProblem("wine:" + (dir_ / "prefix").string()), "");
  const std::string missing = ReplaceProblem((dir_ / "gone/system.reg").string());
  EXPECT_NE(missing.find(dir_ / "gone"), std::string::npos) << missing;
  EXPECT_NE(missing.find(std::strerror(ENOENT)), std::string::npos) << missing;
  std::string error;
  EXPECT_FALSE(Replace((dir_ / "gone/system.reg").string(), "x", &error));
  EXPECT_EQ(error, "cannot write " + (dir_ / "gone/system.reg").string() + ": " + std::strerror(ENOENT));

  // Permission bits do not stop root, so the prefix is made read-only the way
  // that holds for everyone: a read-only bind mount, in a mount namespace of a
  // child of our own (a user namespace makes that possible without privileges).
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(report[0]);
    const std::string prefix = (dir_ / "prefix").string();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 && unshare(CLONE_NEWNS) != 0) _exit(77);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(77);
    if (mount(prefix.c_str(), prefix.c_str(), nullptr, MS_BIND, nullptr) != 0) _exit(77);
    if (mount(nullptr, prefix.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) _exit(77);
    std::string text = RegistryWriteProblem("wine:" + prefix) + "\n";
    std::string write_error;
    text += Replace(prefix + "/system.reg", "y", &write_error) ? "written" : write_error;
    [[maybe_unused]] const ssize_t n = write(report[1], text.data(), text.size());
    _exit(0);
  }
  close(report[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(report[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace here";
  const std::string problem = text.substr(0, text.find('\n'));
  EXPECT_EQ(problem, "cannot write " + (dir_ / "prefix/system.reg").string() + ": " + std::strerror(EROFS));
  EXPECT_EQ(text.substr(text.find('\n') + 1),
            "cannot write " + (dir_ / "prefix/system.reg").string() + ": " + std::strerror(EROFS));
  EXPECT_EQ(Read(dir_ / "prefix/system.reg"), "x");
}

}  // namespace
}  // namespace platform
