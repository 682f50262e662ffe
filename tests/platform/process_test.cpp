#include "platform/process.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace platform {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/clarivo-process-XXXXXX";
    dir_ = mkdtemp(tmpl);
    const char* comspec = std::getenv("COMSPEC");
    if (comspec != nullptr) saved_comspec_ = comspec;
    had_comspec_ = comspec != nullptr;
    unsetenv("COMSPEC");
  }
  void TearDown() override {
    if (had_comspec_) setenv("COMSPEC", saved_comspec_.c_str(), 1);
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  std::string dir_;
  std::string saved_comspec_;
  bool had_comspec_ = false;
};

TEST_F(ProcessTest, InterpreterIsComspecElseBinSh) {
  EXPECT_EQ(InterpreterPath(), "/bin/sh");
  setenv("COMSPEC", "/bin/bash", 1);
  EXPECT_EQ(InterpreterPath(), "/bin/bash");
}

TEST_F(ProcessTest, QuotedArgumentsReachTheProgramUnchanged) {
  // Each hostile name is handed to printf through the shell and must come back byte for byte.
  const std::string hostile[] = {
      "plain",
      "",
      "with space",
      "it's",
      "''",
      "a\"b",
      "$(touch " + dir_ + "/pwned)",
      "`touch " + dir_ + "/pwned`",
      "; touch " + dir_ + "/pwned",
      "back\\slash\\",
      "new\nline",
      "*?[glob]",
      "~",
      "tab\there",
      std::string("\xC3\xA9\xFF\x01 high bytes"),
  };
  for (const std::string& arg : hostile) {
    const std::string out = dir_ + "/out";
    const RunResult result = RunHidden("printf %s " + QuoteForShell(arg) + " > " + QuoteForShell(out));
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exit_code, 0) << arg;
    EXPECT_EQ(ReadFile(out), arg);
  }
  EXPECT_NE(access((dir_ + "/pwned").c_str(), F_OK), 0);
}

TEST_F(ProcessTest, RunHiddenReportsExitStatusAndStartFailures) {
  EXPECT_EQ(RunHidden("exit 3").exit_code, 3);
  EXPECT_EQ(RunHidden("true").exit_code, 0);
  EXPECT_EQ(RunHidden("kill -TERM $$").exit_code, 128 + 15);
  // Nothing to read: stdin is not the caller's.
  EXPECT_EQ(RunHidden("read line").exit_code, 1);

  setenv("COMSPEC", "/nonexistent/shell", 1);
  const RunResult failed = RunHidden("true");
  EXPECT_FALSE(failed.started);
  EXPECT_EQ(failed.error, ENOENT);

  unsetenv("COMSPEC");
  const RunResult nul = RunHidden(std::string("echo a\0b", 8));
  EXPECT_FALSE(nul.started);
}

TEST_F(ProcessTest, RunHiddenWaitsForBackgroundGrandchildren) {
  const std::string marker = dir_ + "/done";
  const auto start = std::chrono::steady_clock::now();
  const RunResult result = RunHidden("(sleep 1; touch " + QuoteForShell(marker) + ") & exit 0");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(result.started);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(access(marker.c_str(), F_OK), 0) << "returned before the background job ended";
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST_F(ProcessTest, ToolPathFindsProgramsBesideTheExecutableThenOnPath) {
  // The test program itself lives in the build's bin folder.
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  const std::string self(exe, static_cast<std::size_t>(n));
  const std::string name = self.substr(self.rfind('/') + 1);
  EXPECT_EQ(ToolPath(name), self);

  const std::string tool = dir_ + "/clarivo-fake-tool";
  ASSERT_EQ(std::system(("printf '#!/bin/sh\\n' > '" + tool + "' && chmod +x '" + tool + "'").c_str()), 0);
  const std::string saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", ("/nonexistent:" + dir_).c_str(), 1);
  EXPECT_EQ(ToolPath("clarivo-fake-tool"), tool);
  EXPECT_EQ(ToolPath("no-such-program-here"), "no-such-program-here");
  setenv("PATH", saved_path.c_str(), 1);
}

}  // namespace
}  // namespace platform
