// Two processes contending for the single instance: the later start hands
// its command line to the first and ends; after the first ends, a new start
// becomes the first.
#include "app/core/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/core/startup.h"
#include "tests/app/test_support.h"

namespace clarivo {
namespace {

// One run of the helper program with its standard output as a pipe.
class Helper {
 public:
  Helper(const std::string& folder, const std::string& name, int wakeups,
         const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {SINGLE_INSTANCE_HELPER, folder, name, std::to_string(wakeups)};
    args.insert(args.end(), extra.begin(), extra.end());
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 1);
      close(fds[0]);
      close(fds[1]);
      std::vector<char*> argv;
      argv.reserve(args.size() + 1);
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    out_ = fdopen(fds[0], "r");
  }
  ~Helper() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (out_) fclose(out_);
  }
  std::string Line() {
    char buffer[1024];
    if (!fgets(buffer, sizeof buffer, out_)) return "<eof>";
    std::string line = buffer;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
  }
  int Wait() {
    int status = 0;
    if (pid_ > 0) waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

class SingleInstance : public ::testing::Test {
 protected:
  void SetUp() override { chmod(dir_.path().c_str(), 0700); }
  testing::TempDir dir_;
};

TEST_F(SingleInstance, SecondStartWakesTheFirstAndEnds) {
  Helper first(dir_.path(), "Quorvex-Clarivo-Event", 2);
  ASSERT_EQ(first.Line(), "FIRST");

  Helper second(dir_.path(), "Quorvex-Clarivo-Event", 1, {"--open", "two words"});
  EXPECT_EQ(second.Line(), "SECOND");
  EXPECT_EQ(second.Wait(), 0);
  std::string woken = first.Line();
  EXPECT_TRUE(woken.starts_with("WOKEN " SINGLE_INSTANCE_HELPER " ")) << woken;
  EXPECT_TRUE(woken.ends_with(" --open \"two words\"")) << woken;

  // A command line of 256 code units or more still wakes it, with no text.
  Helper third(dir_.path(), "Quorvex-Clarivo-Event", 1, {std::string(300, 'x')});
  EXPECT_EQ(third.Line(), "SECOND");
  EXPECT_EQ(first.Line(), "WOKEN ");
  EXPECT_EQ(first.Line(), "DONE");
  EXPECT_EQ(first.Wait(), 0);

  // The guard is gone with the first instance: the next start is first.
  Helper again(dir_.path(), "Quorvex-Clarivo-Event", 0);
  EXPECT_EQ(again.Line(), "FIRST");
  EXPECT_EQ(again.Line(), "DONE");
}

TEST_F(SingleInstance, SimultaneousStartsMakeExactlyOneFirst) {
  std::vector<std::unique_ptr<Helper>> starts;
  starts.reserve(4);
  for (int i = 0; i < 4; ++i) starts.push_back(std::make_unique<Helper>(dir_.path(), "race", 3));
  int firsts = 0;
  Helper* first = nullptr;
  for (auto& h : starts) {
    std::string line = h->Line();
    if (line == "FIRST") {
      ++firsts;
      first = h.get();
    } else {
      EXPECT_EQ(line, "SECOND");
    }
  }
  ASSERT_EQ(firsts, 1);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(first->Line().starts_with("WOKEN ")) << i;
  EXPECT_EQ(first->Line(), "DONE");
}

TEST_F(SingleInstance, LeftoversOfACrashedInstanceDoNotBlock) {
  {
    Helper crashed(dir_.path(), "crash", 5);
    ASSERT_EQ(crashed.Line(), "FIRST");
  }  // killed: its socket file stays behind
  Helper next(dir_.path(), "crash", 0);
  EXPECT_EQ(next.Line(), "FIRST");
}

TEST_F(SingleInstance, StartUpRunsTheWindowOnlyInTheFirstInstance) {
  struct Guard : CSingleInstance {
    explicit Guard(const std::string& dir) {
      SetImpl(std::make_unique<CSingleInstanceImpl>(this, "app", dir));
    }
    ~Guard() override { Destroy(); }
    void OnSecondInstance(const std::u16string&) override { ++wakeups; }
    std::atomic<int> wakeups{0};
  } first(dir_.path()), second(dir_.path()), third(dir_.path());

  bool second_window = false;
  bool first_window = RunProgram(first, [&] {
    EXPECT_FALSE(RunProgram(second, [&] { second_window = true; }));
    for (int i = 0; i < 200 && first.wakeups == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  EXPECT_TRUE(first_window);
  EXPECT_FALSE(second_window);
  EXPECT_EQ(first.wakeups, 1);
  // The first guard is gone once its window has ended.
  EXPECT_TRUE(RunProgram(third, [] {}));
}

TEST(SingleInstanceFolder, DefaultWakesTheMainWindowAndSharedFoldersAreRefused) {
  testing::RecordingUi ui;
  IUserInterface* previous = SetUserInterface(&ui);
  CMySingleInstance guard;
  guard.OnSecondInstance(u"ignored");
  EXPECT_EQ(ui.main_window_shown, 1);
  SetUserInterface(previous);

  // A folder others may write to is no place for the guard: it runs unguarded.
  testing::TempDir open_dir;
  chmod(open_dir.path().c_str(), 0777);
  CSingleInstanceImpl a(nullptr, "shared", open_dir.path());
  CSingleInstanceImpl b(nullptr, "shared", open_dir.path());
  EXPECT_TRUE(a.Create(u"a"));
  EXPECT_TRUE(b.Create(u"b"));
  EXPECT_FALSE(std::filesystem::exists(open_dir / "shared.lock"));
}

}  // namespace
}  // namespace clarivo
