// Scanners facing data they did not expect: names at the 260-unit limit, key
// texts too long for their field, values of other types and odd sizes.
#include <string>
#include <vector>

#include "tests/engine/scan_fixture.h"

namespace clarivo_test {
namespace {

platform::RegValue Bytes(std::u16string_view text, std::size_t extra_bytes, std::uint32_t type) {
  platform::RegValue value{type, {}};
  for (char16_t c : text) {
    value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    value.data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  value.data.insert(value.data.end(), extra_bytes, 0x41);
  return value;
}

TEST_F(ScanTest, NamesOfTwoHundredSixtyUnitsAreSkippedButCounted) {
  const std::u16string too_long = u"C:\\" + std::u16string(253, u'a') + u".dll";  // 260 units
  const std::u16string longest = u"C:\\" + std::u16string(252, u'b') + u".dll";   // 259 units
  const std::u16string shared = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
  sys->SetDword(kHklm, shared, too_long, 1);
  sys->SetDword(kHklm, shared, longest, 1);
  Run(1, Function::GetMissingShareDLL);
  ASSERT_EQ(recorder.reports.size(), 1u);
  EXPECT_EQ(recorder.reports[0].percent, 100);
  ASSERT_EQ(Items(1).size(), 1u);
  EXPECT_EQ(Items(1)[0].name, longest);
  EXPECT_EQ(Items(1)[0].index, 0);
}

TEST_F(ScanTest, FindingWhoseKeyTextDoesNotFitIsLeftOut) {
  // A cut key text would lead the fixer to a different key.
  const std::u16string long_ext = u"." + std::u16string(244, u'x');  // key text of 263 units
  sys->AddKey(kHkcr, long_ext);
  sys->AddKey(kHkcr, u".y");
  sys->SetString(kHkcr, u"Applications\\" + std::u16string(230, u'p') + u"\\shell\\open\\command", u"",
                 u"C:\\gone.exe");
  sys->SetString(kHkcr, u"Applications\\q\\shell\\open\\command", u"", u"C:\\gone.exe");
  Run(13, Function::GetUnusedFileExtensionsClassesRoot);
  Run(2, Function::GetInvalidApplication);
  EXPECT_EQ(Findings(13), (std::vector<Finding>{{".y", "HKEY_CLASSES_ROOT\\.y"}}));
  EXPECT_EQ(Findings(2),
            (std::vector<Finding>{{"C:\\gone.exe", "HKEY_CLASSES_ROOT\\Applications\\q\\shell\\open"}}));
  EXPECT_EQ(Items(13)[0].index, 0);
  EXPECT_EQ(Items(2)[0].index, 0);
  // The long entries were still walked and reported.
  EXPECT_EQ(recorder.reports.size(), 5u);
}

TEST_F(ScanTest, ValueDataOfOtherTypesAndOddSizesIsReadUpToItsFirstNul) {
  sys->SetValue(kHkcr, u"cls\\DefaultIcon", u"", Bytes(u"C:\\gone\\x.ico", 1, platform::kRegBinary));
  sys->SetValue(kHklm, u"SOFTWARE\\Microsoft\\Windows\\Help", u"a.hlp",
                Bytes(u"C:\\H", 1, platform::kRegBinary));
  sys->SetValue(kHklm, u"SOFTWARE\\Microsoft\\Windows\\Help", u"b.hlp",
                Bytes(std::u16string(u"C:\\K") + u'\0' + u"junk", 0, platform::kRegMultiSz));
  // Data beyond the 520-byte buffer is not examined.
  sys->SetValue(kHkcu, u"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", u"C:\\g.exe",
                Bytes(std::u16string(300, u'z'), 0, platform::kRegSz));
  sys->SetValue(kHkcu, u"Software\\ZeroBytes", u"", platform::RegValue{platform::kRegBinary, {}});

  Run(6, Function::GetInvalidDefaultIcon);
  Run(11, Function::GetHelpFiles);
  Run(8, Function::GetMUICache);
  Run(10, Function::GetObsoleteSoftware);

  EXPECT_EQ(Findings(6), (std::vector<Finding>{{"C:\\gone\\x.ico", "HKEY_CLASSES_ROOT\\cls\\DefaultIcon"}}));
  EXPECT_EQ(sys->checked_paths,
            (std::vector<std::u16string>{u"C:\\gone\\x.ico", u"C:\\H\\a.hlp", u"C:\\K\\b.hlp"}));
  EXPECT_TRUE(Items(8).empty());
  EXPECT_EQ(Findings(10), (std::vector<Finding>{{"ZeroBytes", "HKEY_CURRENT_USER\\software\\ZeroBytes"}}));
}

TEST(ScanWithoutRegistry, EveryScannerFindsNothingAndReportsNothing) {
  Function::CRegEngine engine(nullptr);
  Recorder recorder;
  using Scanner = void (*)(Function::CRegEngine&, Function::ICallback*);
  const std::pair<int, Scanner> scanners[] = {{1, Function::GetMissingShareDLL},
                                              {2, Function::GetInvalidApplication},
                                              {3, Function::GetInvalidActiveXAndCOM},
                                              {4, Function::GetInvalidStartMenuOrding},
                                              {5, Function::GetInvalidInstaller},
                                              {6, Function::GetInvalidDefaultIcon},
                                              {7, Function::GetInvalidOpenWithApplication},
                                              {8, Function::GetMUICache},
                                              {10, Function::GetObsoleteSoftware},
                                              {11, Function::GetHelpFiles},
                                              {13, Function::GetUnusedFileExtensionsClassesRoot},
                                              {13, Function::GetUnusedFileExtensionsPerUser}};
  for (const auto& [type, scanner] : scanners) {
    scanner(engine, &recorder);
    EXPECT_TRUE(engine.items(type).empty()) << type;
  }
  EXPECT_TRUE(recorder.reports.empty());
}

}  // namespace
}  // namespace clarivo_test
