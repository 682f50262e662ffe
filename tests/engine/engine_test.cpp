// The engine object as a caller drives it: dispatch of each type number, the
// stop flag, list ownership across scans, HasProblems and release.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/clean_reg_imp.h"
#include "platform/icons.h"
#include "tests/engine/fake_system.h"

namespace clarivo_test {
namespace {

using Function::ICleanReg;
using Function::RegProblemList;
using platform::kClassesRoot;
using platform::kCurrentUser;
using platform::kLocalMachine;

constexpr const char16_t* kFileExts = uR"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts)";
constexpr const char16_t* kMenuOrder =
    uR"(Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs)";

std::vector<std::u16string> Names(const RegProblemList* list) {
  std::vector<std::u16string> names;
  for (const auto& item : *list) names.emplace_back(item.name);
  return names;
}

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    auto fake = std::make_unique<FakeSystem>();
    sys = fake.get();
    imp = new Function::CCleanRegImp(std::make_unique<Function::CRegEngine>(std::move(fake)));
    clean = imp;
  }
  ~EngineTest() override {
    if (clean != nullptr) clean->Release();
  }

  // Two applications whose program is gone (type 2).
  void AddBrokenApplications() {
    sys->SetString(kClassesRoot, uR"(Applications\a.exe\shell\open\command)", u"", uR"(C:\gone\a.exe "%1")");
    sys->SetString(kClassesRoot, uR"(Applications\b.exe\shell\open\command)", u"", uR"(C:\gone\b.exe)");
  }
  // Empty vendor keys under the user's software key (type 10).
  void AddEmptyVendors(int n) {
    for (int i = 0; i < n; ++i) sys->AddKey(kCurrentUser, u"Software\\Vendor" + std::u16string(1, u'A' + i));
  }

  FakeSystem* sys;
  Function::CCleanRegImp* imp;
  ICleanReg* clean;
  RecordingCallback callback;
};

TEST_F(EngineTest, ReservedAndUnknownTypeNumbers) {
  AddBrokenApplications();
  for (int type : {9, 12}) {
    const RegProblemList* list = clean->Scan(type, &callback);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 0);
    EXPECT_EQ(clean->Fix(type, &callback), 1);
  }
  EXPECT_TRUE(callback.reports.empty());

  // Any other number rescans the applications, without progress.
  const RegProblemList* applications = clean->Scan(2, nullptr);
  ASSERT_EQ(applications->count, 2);
  for (int type : {0, 99, -1, 14}) {
    EXPECT_EQ(clean->Scan(type, &callback), applications) << type;
    EXPECT_EQ(applications->count, 2) << "a rescan replaces the list";
  }
  EXPECT_TRUE(callback.reports.empty());
  for (int type : {0, 14, 99, -1}) EXPECT_EQ(clean->Fix(type, &callback), 0) << type;
  EXPECT_TRUE(sys->HasKey(kClassesRoot, uR"(Applications\a.exe)"));
}

TEST_F(EngineTest, ScanWithoutCallbackFindsTheSame) {
  AddEmptyVendors(3);
  const std::vector<std::u16string> with = Names(clean->Scan(10, &callback));
  EXPECT_EQ(callback.reports.size(), 3u);
  const std::vector<std::u16string> without = Names(clean->Scan(10, nullptr));
  EXPECT_EQ(with, without);
  EXPECT_EQ(with.size(), 3u);
}

TEST_F(EngineTest, StopBeforeAnOperationEndsItAtOnceUntilCleared) {
  AddEmptyVendors(2);
  EXPECT_EQ(clean->Stop(1), 1);
  EXPECT_EQ(clean->Scan(10, &callback)->count, 0);
  EXPECT_TRUE(callback.reports.empty());

  EXPECT_EQ(clean->Stop(0), 1);
  ASSERT_EQ(clean->Scan(10, &callback)->count, 2);

  // A fix sees the same flag: nothing is deleted.
  clean->Stop(1);
  EXPECT_EQ(clean->Fix(10, &callback), 2);
  EXPECT_TRUE(sys->HasKey(kCurrentUser, uR"(Software\VendorA)"));
  clean->Stop(0);
  EXPECT_EQ(clean->Fix(10, nullptr), 1);
  EXPECT_FALSE(sys->HasKey(kCurrentUser, uR"(Software\VendorA)"));
}

TEST_F(EngineTest, StopFromInsideProgressEndsTheScanAtTheNextItem) {
  AddEmptyVendors(4);
  callback.on_report = [&](std::size_t n) {
    if (n == 2) clean->Stop(1);
  };
  const RegProblemList* list = clean->Scan(10, &callback);
  EXPECT_EQ(callback.reports.size(), 2u);
  EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"VendorA", u"VendorB"}));
  clean->Stop(0);
  callback.on_report = nullptr;
  EXPECT_EQ(clean->Scan(10, nullptr)->count, 4);
}

TEST_F(EngineTest, HasProblemsAccumulatesWithoutEmptyingTheLists) {
  AddBrokenApplications();
  const RegProblemList* list = clean->Scan(2, nullptr);
  ASSERT_EQ(list->count, 2);
  EXPECT_EQ(clean->HasProblems(), 1);
  ASSERT_EQ(list->count, 4);  // the same list, grown in place of the caller's view
  for (int i = 0; i < 4; ++i) EXPECT_EQ((*list)[i].index, i % 2) << i;
  EXPECT_EQ(std::u16string((*list)[2].name), std::u16string((*list)[0].name));

  // A new Scan replaces what HasProblems added.
  EXPECT_EQ(clean->Scan(2, nullptr)->count, 2);
}

TEST_F(EngineTest, HasProblemsStopsAtTheFirstTypeWithFindings) {
  AddBrokenApplications();
  sys->SetString(kLocalMachine, uR"(SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders)",
                 uR"(C:\gone\folder\)", u"");
  EXPECT_EQ(clean->HasProblems(), 1);
  EXPECT_EQ(imp->engine().items(5).size(), 0u) << "type 5 comes after type 2 and must not run";
}

TEST_F(EngineTest, HasProblemsLooksAtItsSevenTypesOnly) {
  AddEmptyVendors(2);  // type 10 is not among them
  EXPECT_EQ(clean->HasProblems(), 0);

  // The last of the seven (start menu order) still counts.
  sys->AddKey(kCurrentUser, std::u16string(kMenuOrder) + u"\\Gone Program");
  EXPECT_EQ(clean->HasProblems(), 1);
  EXPECT_EQ(imp->engine().items(4).size(), 1u);
}

TEST_F(EngineTest, UnusedExtensionsFillOneListFromBothPasses) {
  sys->AddKey(kClassesRoot, u".zzempty");
  sys->AddKey(kCurrentUser, std::u16string(kFileExts) + u"\\.yyuser");
  const RegProblemList* list = clean->Scan(13, &callback);
  ASSERT_EQ(list->count, 2);
  EXPECT_EQ(std::u16string((*list)[0].key), u"HKEY_CLASSES_ROOT\\.zzempty");
  EXPECT_EQ(std::u16string((*list)[1].key),
            std::u16string(u"HKEY_CURRENT_USER\\") + kFileExts + u"\\.yyuser");
  EXPECT_EQ((*list)[0].index, 0);
  EXPECT_EQ((*list)[1].index, 1);
  EXPECT_EQ(clean->Scan(13, nullptr)->count, 2);
}

TEST_F(EngineTest, ReleaseDestroysEveryIconHandedOut) {
  AddEmptyVendors(1);
  const RegProblemList* list = clean->Scan(10, nullptr);
  ASSERT_EQ(list->count, 1);
  const std::uint32_t icon = (*list)[0].icon;
  ASSERT_NE(icon, 0u);
  EXPECT_FALSE(platform::IconName(icon).empty());
  clean->Release();
  clean = nullptr;
  EXPECT_TRUE(platform::IconName(icon).empty());
}

TEST(EngineWithoutRegistry, AnswersEveryCallAndFindsNothing) {
  auto* imp = new Function::CCleanRegImp(std::make_unique<Function::CRegEngine>(nullptr));
  ICleanReg* clean = imp;
  for (int type = 1; type <= 13; ++type) EXPECT_EQ(clean->Scan(type, nullptr)->count, 0) << type;
  EXPECT_EQ(clean->HasProblems(), 0);
  for (int type = 1; type <= 13; ++type)
    EXPECT_EQ(clean->Fix(type, nullptr), 1) << "nothing found, nothing to fix";
  EXPECT_EQ(clean->BackupRegistry(nullptr, nullptr), 1);
  EXPECT_EQ(clean->RestoreRegistry(nullptr, nullptr), 0);
  EXPECT_EQ(clean->HasBackup(), 0);
  Function::SYSTEMTIME time{};
  EXPECT_EQ(clean->GetBackupTime(&time), 0);
  clean->Release();
}

}  // namespace
}  // namespace clarivo_test
