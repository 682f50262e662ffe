// Progress reports of the scanners: texts, percents (one divisor, shared
// divisors, per-pass divisors), counts, and where a stop request ends a scan.
#include <string>
#include <vector>

#include "tests/engine/scan_fixture.h"

namespace clarivo_test {
namespace {

constexpr char16_t kShared[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr char16_t kFolders[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
constexpr char16_t kArp[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
constexpr char16_t kFileExts[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

TEST_F(ScanTest, SharedDllsReportEveryValueWithTheCountBeforeItsFinding) {
  for (auto name : {u"C:\\a.dll", u"C:\\b.dll", u"C:\\c.dll"}) sys->SetDword(kHklm, kShared, name, 1);
  sys->AddFile(u"C:\\b.dll");
  Run(1, Function::GetMissingShareDLL);
  EXPECT_EQ(recorder.reports,
            (std::vector<Progress>{
                {1, R"(C:\a.dll)", 33, 0}, {1, R"(C:\b.dll)", 66, 1}, {1, R"(C:\c.dll)", 100, 1}}));
}

TEST_F(ScanTest, ComPercentRunsOverBothPassesAndEndsAtHundred) {
  sys->SetString(kHkcr, u"Lost.Id\\CLSID", u"", u"{9}");
  sys->SetString(kHkcr, u"CLSID\\{1}\\InprocServer32", u"", u"C:\\gone.dll");
  sys->AddKey(kHkcr, u"CLSID\\{2}");
  sys->AddKey(kHkcr, u"Other");
  // Class root: CLSID, Lost.Id, Other (3); CLSID: {1}, {2} (2).
  Run(3, Function::GetInvalidActiveXAndCOM);
  EXPECT_EQ(recorder.reports, (std::vector<Progress>{{3, "HKEY_CLASSES_ROOT\\CLSID", 20, 0},
                                                     {3, "HKEY_CLASSES_ROOT\\Lost.Id", 40, 0},
                                                     {3, "HKEY_CLASSES_ROOT\\Other", 60, 1},
                                                     {3, "HKEY_CLASSES_ROOT\\{1}", 80, 1},
                                                     {3, "HKEY_CLASSES_ROOT\\{2}", 100, 2}}));
  EXPECT_EQ(engine->com_counter, 0);
  EXPECT_EQ(engine->com_total, 0u);
  EXPECT_EQ(engine->com_offset, 0u);
  // The COM scan empties its own list: a second run does not add to the first.
  Run(3, Function::GetInvalidActiveXAndCOM, false);
  ASSERT_EQ(Items(3).size(), 2u);
  EXPECT_EQ(Items(3)[1].index, 1);
}

TEST_F(ScanTest, InstallerLoopsShareOneDivisor) {
  sys->AddKey(kHklm, std::u16string(kArp) + u"\\A");
  sys->AddKey(kHklm, std::u16string(kArp) + u"\\B");
  sys->SetString(kHklm, kFolders, u"C:\\F1\\", u"");
  sys->SetString(kHklm, kFolders, u"C:\\F2\\", u"");
  Run(5, Function::GetInvalidInstaller);
  EXPECT_EQ(recorder.reports,
            (std::vector<Progress>{
                {5, "A", 25, 0}, {5, "B", 50, 1}, {5, R"(C:\F1\)", 75, 2}, {5, R"(C:\F2\)", 100, 3}}));
  EXPECT_EQ(Items(5)[3].index, 3);
}

TEST_F(ScanTest, InstallerWithoutCacheKeyStillChecksFolders) {
  sys->SetString(kHklm, kFolders, u"C:\\F1\\", u"");
  sys->SetString(kHklm, kFolders, u"C:\\F2\\", u"");
  sys->AddFile(u"C:\\F1");
  Run(5, Function::GetInvalidInstaller);
  EXPECT_EQ(recorder.reports, (std::vector<Progress>{{5, R"(C:\F1\)", 50, 0}, {5, R"(C:\F2\)", 100, 0}}));
  EXPECT_EQ(Findings(5),
            (std::vector<Finding>{
                {R"(C:\F2\)",
                 R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders)"}}));
}

TEST_F(ScanTest, HelpPassesEachHaveTheirOwnPercent) {
  sys->SetString(kHklm, u"SOFTWARE\\Microsoft\\Windows\\Help", u"a.hlp", u"C:\\H");
  sys->SetString(kHklm, u"SOFTWARE\\Microsoft\\Windows\\Help", u"b.hlp", u"C:\\H");
  sys->SetString(kHklm, u"SOFTWARE\\Microsoft\\Windows\\Html Help", u"c.chm", u"C:\\H");
  Run(11, Function::GetHelpFiles);
  EXPECT_EQ(recorder.reports,
            (std::vector<Progress>{{11, "a.hlp", 50, 0}, {11, "b.hlp", 100, 1}, {11, "c.chm", 100, 2}}));
}

TEST_F(ScanTest, FileExtensionPassesNumberOnAndHaveTheirOwnPercent) {
  sys->AddKey(kHkcr, u".x");
  sys->AddKey(kHkcr, u"xfile");
  sys->AddKey(kHkcu, std::u16string(kFileExts) + u"\\.a");
  sys->AddKey(kHkcu, std::u16string(kFileExts) + u"\\.b");
  engine->items(13).clear();
  Function::GetUnusedFileExtensionsClassesRoot(*engine, &recorder);
  Function::GetUnusedFileExtensionsPerUser(*engine, &recorder);
  const std::string fe =
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
  EXPECT_EQ(recorder.reports, (std::vector<Progress>{{13, "HKEY_CLASSES_ROOT\\.x", 50, 0},
                                                     {13, "HKEY_CLASSES_ROOT\\xfile", 100, 1},
                                                     {13, fe + ".a", 50, 1},
                                                     {13, fe + ".b", 100, 2}}));
  ASSERT_EQ(Items(13).size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Items(13)[i].index, i);
}

TEST_F(ScanTest, StopInFirstComPassSkipsTheSecond) {
  sys->SetString(kHkcr, u"A.Id\\CLSID", u"", u"{9}");
  sys->SetString(kHkcr, u"B.Id\\CLSID", u"", u"{8}");
  sys->SetString(kHkcr, u"CLSID\\{1}\\InprocServer32", u"", u"C:\\gone.dll");
  recorder.stop_after = 1;
  Run(3, Function::GetInvalidActiveXAndCOM);
  ASSERT_EQ(recorder.reports.size(), 1u);
  // The item reported before the stop is finished; nothing after it.
  EXPECT_EQ(Findings(3), (std::vector<Finding>{{"{9}", "HKEY_CLASSES_ROOT\\A.Id"}}));
  EXPECT_EQ(engine->com_total, 0u);
}

using Scanner = void (*)(Function::CRegEngine&, Function::ICallback*);
struct StopCase {
  int type;
  Scanner scanner;
};

class StopChecks : public ScanTest, public ::testing::WithParamInterface<StopCase> {};

// A registry in which every scanner has at least two items and findings.
void FillEverything(FakeSystem* sys) {
  for (auto n : {u"1", u"2"}) {
    const std::u16string id = n;
    sys->SetDword(kHklm, kShared, u"C:\\gone" + id + u".dll", 1);
    sys->SetString(kHkcr, u"Applications\\app" + id + u".exe\\shell\\open\\command", u"", u"C:\\gone.exe");
    sys->SetString(kHkcr, u"Id" + id + u"\\CLSID", u"", u"{" + id + u"}");
    sys->SetString(kHkcr, u"cls" + id + u"\\DefaultIcon", u"", u"C:\\gone.ico");
    sys->SetString(kHkcr, u"cls" + id + u"\\shell\\open\\command", u"", u"C:\\gone.exe");
    sys->AddKey(kHkcr, u".e" + id);
    sys->AddKey(
        kHkcu,
        u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs\\M" + id);
    sys->AddKey(kHklm, std::u16string(kArp) + u"\\A" + id);
    sys->SetString(kHklm, kFolders, u"C:\\F" + id, u"");
    sys->SetString(kHkcu, u"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", u"C:\\g" + id + u".exe",
                   u"G");
    sys->AddKey(kHkcu, u"Software\\Empty" + id);
    sys->SetString(kHklm, u"SOFTWARE\\Microsoft\\Windows\\Help", u"h" + id + u".hlp", u"C:\\H");
    sys->SetString(kHklm, u"SOFTWARE\\Microsoft\\Windows\\Html Help", u"h" + id + u".chm", u"C:\\H");
    sys->AddKey(kHkcu, std::u16string(kFileExts) + u"\\.u" + id);
  }
}

TEST_P(StopChecks, StopEndsTheScanAtTheNextItemAndClosesItsKeys) {
  FillEverything(sys);
  // Unstopped, the scanner sees more than one item and finds something.
  Run(GetParam().type, GetParam().scanner);
  const std::size_t full_reports = recorder.reports.size();
  ASSERT_GT(full_reports, 1u);
  ASSERT_FALSE(Items(GetParam().type).empty());

  // A stop already requested: nothing at all.
  recorder.reports.clear();
  engine->SetStopFlag(1);
  Run(GetParam().type, GetParam().scanner);
  EXPECT_TRUE(recorder.reports.empty());
  EXPECT_TRUE(Items(GetParam().type).empty());
  EXPECT_EQ(sys->memory().OpenHandleCount(), 0u);

  // A stop asked from inside the first report: no second report.
  engine->SetStopFlag(0);
  recorder.reports.clear();
  recorder.stop_after = 1;
  Run(GetParam().type, GetParam().scanner);
  EXPECT_EQ(recorder.reports.size(), 1u);
  EXPECT_EQ(sys->memory().OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(AllScanners, StopChecks,
                         ::testing::Values(StopCase{1, Function::GetMissingShareDLL},
                                           StopCase{2, Function::GetInvalidApplication},
                                           StopCase{3, Function::GetInvalidActiveXAndCOM},
                                           StopCase{4, Function::GetInvalidStartMenuOrding},
                                           StopCase{5, Function::GetInvalidInstaller},
                                           StopCase{6, Function::GetInvalidDefaultIcon},
                                           StopCase{7, Function::GetInvalidOpenWithApplication},
                                           StopCase{8, Function::GetMUICache},
                                           StopCase{10, Function::GetObsoleteSoftware},
                                           StopCase{11, Function::GetHelpFiles},
                                           StopCase{13, Function::GetUnusedFileExtensionsClassesRoot},
                                           StopCase{13, Function::GetUnusedFileExtensionsPerUser}),
                         [](const auto& info) {
                           return "Type" + std::to_string(info.param.type) + "_" + std::to_string(info.index);
                         });

}  // namespace
}  // namespace clarivo_test
