// The lines the engine writes to the debugger output (standard error when
// CLARIVO_DEBUG is set). Built as its own program: the switch is read once
// per process, so it is set before anything runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "engine/clean_reg_imp.h"
#include "engine/scan_support.h"
#include "tests/engine/fake_system.h"

namespace clarivo_test {
namespace {

const bool kDebugOutputOn = ::setenv("CLARIVO_DEBUG", "1", 1) == 0;

class DebuggerOutputTest : public ::testing::Test {
 protected:
  DebuggerOutputTest() {
    auto fake = std::make_unique<FakeSystem>();
    sys = fake.get();
    engine = std::make_unique<Function::CRegEngine>(std::move(fake));
  }

  FakeSystem* sys;
  std::unique_ptr<Function::CRegEngine> engine;
};

TEST_F(DebuggerOutputTest, ExtensionIconWritesTheExtensionOnEveryAsk) {
  ASSERT_TRUE(kDebugOutputOn);
  testing::internal::CaptureStderr();
  const std::uint32_t first = Function::GetExtensionIcon(*engine, uR"(C:\dir\lib.dll)");
  const std::uint32_t again = Function::GetExtensionIcon(*engine, u".dll");
  Function::GetExtensionIcon(*engine, uR"(C:\my.folder\file)");  // the dot belongs to a folder
  Function::GetExtensionIcon(*engine, u"noextension");
  Function::GetExtensionIcon(*engine, u".Txt");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), ".dll\n.dll\n\n\n.Txt\n");
  EXPECT_EQ(first, again);
}

TEST_F(DebuggerOutputTest, MissingBaseKeysOfSharedDllsAndApplicationsAreNamed) {
  auto* imp = new Function::CCleanRegImp(std::move(engine));
  testing::internal::CaptureStderr();
  imp->Scan(1, nullptr);
  imp->Scan(2, nullptr);
  imp->Scan(4, nullptr);  // other types stay silent about their keys
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Failed when opening key in GetMissingShareDLL"
            "Failed when RegOpenKeyEx in GetInvalidApplication");

  // Present keys: no such line.
  sys->AddKey(platform::kLocalMachine, uR"(SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls)");
  sys->AddKey(platform::kClassesRoot, u"Applications");
  testing::internal::CaptureStderr();
  imp->Scan(1, nullptr);
  imp->Scan(2, nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  imp->Release();
}

TEST(DebuggerOutputWithoutRegistry, KeysThatCannotOpenAreStillNamed) {
  auto* imp = new Function::CCleanRegImp(std::make_unique<Function::CRegEngine>(nullptr));
  testing::internal::CaptureStderr();
  imp->Scan(1, nullptr);
  imp->Scan(2, nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Failed when opening key in GetMissingShareDLL"
            "Failed when RegOpenKeyEx in GetInvalidApplication");
  imp->Release();
}

}  // namespace
}  // namespace clarivo_test
