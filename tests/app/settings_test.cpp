// The profile store, the ini reader and the deploy paths.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "app/core/ini.h"
#include "app/core/profile.h"
#include "tests/app/test_support.h"

namespace clarivo {
namespace {

using Status = ProfileStore::Status;

class Settings : public testing::ProgramSandbox {
 protected:
  std::vector<std::string> ProfileFiles() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(profile_dir()))
      names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(Settings, FreshProfileGivesTheDefaultsAndValuesRoundTrip) {
  // Fresh profile: close to the tray, minimise normally, scan at start.
  EXPECT_EQ(GetSettingInt(kCloseToTray), 1);
  EXPECT_EQ(GetSettingInt(kMinimizeToTray), 0);
  EXPECT_EQ(GetSettingInt(kScanWhenStart), 1);
  EXPECT_EQ(GetSettingInt(kFixTotal), 0);
  EXPECT_FALSE(GetSettingBinary("Scan", "LastScanResult"));
  ASSERT_TRUE(SetSettingOption(kMinimizeToTray, true));
  ASSERT_TRUE(SetSettingOption(kScanWhenStart, false));
  EXPECT_EQ(GetSettingInt("Setting", "MinimizeToTray", 7), 1);
  EXPECT_EQ(GetSettingInt("Setting", "ScanWhenStart", 7), 0);

  ASSERT_TRUE(SetSettingInt("Setting", "CloseToTray", 0));
  ASSERT_TRUE(SetSettingInt("Fix", "Total", -123456));
  ASSERT_TRUE(SetTypeEnable(2, true));
  ASSERT_TRUE(SetTypeEnable(3, false));
  std::vector<std::uint8_t> all_bytes(512);
  for (std::size_t i = 0; i < all_bytes.size(); ++i) all_bytes[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_TRUE(SetSettingBinary("Scan", "LastScanResult", all_bytes));

  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 1), 0);
  EXPECT_EQ(GetSettingInt("setting", "closetotray", 1), 0) << "names compare without case";
  EXPECT_EQ(GetSettingInt("Fix", "Total", 0), -123456);
  EXPECT_EQ(GetSettingInt("Setting", "TypeEnable_2", 9), 1);
  EXPECT_EQ(GetSettingInt("Setting", "TypeEnable_3", 9), 0);
  EXPECT_EQ(GetSettingBinary("Scan", "LastScanResult"), all_bytes);
  // A value of the other type is not there for the reader.
  EXPECT_EQ(GetSettingInt("Scan", "LastScanResult", 77), 77);
  EXPECT_FALSE(GetSettingBinary("Fix", "Total"));

  // One file per section, no temporary files left behind, private to the user.
  EXPECT_EQ(ProfileFiles(), (std::vector<std::string>{"Fix", "Scan", "Setting"}));
  struct stat st;
  ASSERT_EQ(stat((profile_dir() + "/Setting").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);

  // The program name decides the folder: a tool reads the program's profile.
  SetExecutablePath(bin_dir() + "/SetTip");
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 1), 1);
  SetProfileRoot(kCompanyKey, "Clarivo");
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 1), 0);
  SetProfileRoot(kCompanyKey);
}

TEST_F(Settings, ASectionChangedOnDiskIsReadAfresh) {
  // Read often, parsed once while its file stays as it was; whoever changes
  // the file, and however, the next read sees the change.
  const std::string path = profile_dir() + "/Setting";
  ASSERT_TRUE(SetSettingInt("Setting", "CloseToTray", 0));
  const auto age = [&](int seconds) {
    const auto when = std::filesystem::last_write_time(path) - std::chrono::seconds(seconds);
    std::filesystem::last_write_time(path, when);
  };
  age(10);
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 5), 0);
  // Another process of ours replaces the file.
  ProfileStore other(Profile().directory());
  ASSERT_EQ(other.SetInt("Setting", "CloseToTray", 1), Status::kOk);
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 5), 1);
  age(10);
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 5), 1);
  // An editor writes it in place: same file, same size, other content, and
  // then at once again (within one tick of the file clock).
  for (const char* digit : {"3", "4"}) {
    testing::WriteText(path, std::string("Clarivo profile 1\nCloseToTray=dword:0000000") + digit + "\n");
    EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 5), digit[0] - '0');
  }
  age(10);
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 5), 4);
  testing::WriteText(path, "Clarivo profile 1\nCloseToTray=dword:00000006\n");
  age(10);  // an old time put back, as a copy that keeps times would
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 5), 4 + 2) << "its time differs from the one read";
}

TEST_F(Settings, DamagedFileIsReportedAndNeverOverwrittenWithoutConsent) {
  ASSERT_TRUE(SetSettingInt("Setting", "CloseToTray", 0));
  const std::string path = profile_dir() + "/Setting";
  const std::string damaged = "Clarivo profile 1\nCloseToTray=dword:0000000\n";  // a digit short
  testing::WriteText(path, damaged);

  ui_.answer_yes = false;
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 5), 5);
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_NE(ui_.questions[0].find(path), std::string::npos);
  EXPECT_FALSE(SetSettingInt("Setting", "ScanWhenStart", 0));
  EXPECT_EQ(Profile().SetInt("Setting", "ScanWhenStart", 0), Status::kDamaged);
  EXPECT_EQ(testing::ReadText(path), damaged);
  EXPECT_EQ(ui_.questions.size(), 1u) << "asked once";

  // Other sections go on working.
  EXPECT_TRUE(SetSettingInt("Fix", "Total", 3));
}

TEST_F(Settings, DamagedFileIsSetAsideWhenTheUserAgrees) {
  for (const std::string& damaged :
       {std::string("garbage"), std::string(), std::string("Clarivo profile 1\nX=hex:0g\n"),
        std::string("Clarivo profile 1\nX=dword:00000001")}) {
    const std::string path = profile_dir() + "/Scan";
    testing::WriteText(path, damaged);
    ui_.answer_yes = true;
    ui_.questions.clear();
    EXPECT_TRUE(SetSettingInt("Scan", "Flag", 1)) << damaged;
    EXPECT_EQ(ui_.questions.size(), 1u) << damaged;
    EXPECT_EQ(GetSettingInt("Scan", "Flag", 0), 1);
    EXPECT_EQ(testing::ReadText(path + ".damaged"), damaged);
    std::filesystem::remove(path + ".damaged");
  }
}

TEST_F(Settings, ProfileThatCannotBeCreatedMakesWritesFail) {
  testing::WriteText(config_home() + "/Quorvex-Clarivo", "a file where the folder belongs");
  EXPECT_FALSE(SetSettingInt("Setting", "CloseToTray", 0));
  EXPECT_FALSE(SetSettingBinary("Scan", "LastScanResult", std::vector<std::uint8_t>{1}));
  EXPECT_EQ(GetSettingInt("Setting", "CloseToTray", 1), 1);
}

class Ini : public testing::ProgramSandbox {
 protected:
  void WriteIni(const std::string& text) { testing::WriteText(ini_path(), text); }
};

TEST_F(Ini, MissingFileOrKeyGivesTheDefaults) {
  CIni& ini = CIni::GetInstance();
  EXPECT_EQ(ini.path(), ini_path());
  EXPECT_EQ(ini.GetString("Deploy", "RegBackup"), "");
  EXPECT_EQ(ini.GetInt("Test", "IsRealFix", 1), 1);
  EXPECT_EQ(ini.GetInt("ErrorLevel", "Level_1_", 0), 0);
  EXPECT_EQ(GetDeployPath("RegBackup"), bin_dir() + "/");
  EXPECT_EQ(GetDeployPath("LANGUAGE"), bin_dir() + "/");
  EXPECT_EQ(ini.GetString(nullptr, "x"), "");
  EXPECT_EQ(ini.GetString("Deploy", nullptr), "");
}

TEST_F(Ini, WindowsProfileStringRules) {
  const std::string long_value(5000, 'v');
  const std::string edge_value(511, 'e');
  WriteIni(
      "\xEF\xBB\xBF; comment\r\n"
      "[Menu]\r\n"
      "  OnlineSupport =  https://example.org/help  \r\n"
      "Feedback=\"  quoted  \"\r\n"
      "[ errorlevel ]\r\n"
      "LEVEL_1_=-5\r\n"
      "Level_2_=  42xyz\r\n"
      "[Test]\n"
      "IsRealFix=no\n"
      "Long=" +
      long_value + "\nEdge=" + edge_value + "\nEdge2=" + edge_value +
      "e\nHuge=99999999999\nMax=4294967295\n" + "Far=" + std::string(63, '0') +
      "7\nTooFar=" + std::string(64, '0') + "7\n");
  CIni& ini = CIni::GetInstance();
  EXPECT_EQ(ini.GetMenuAddress("OnlineSupport"), "https://example.org/help");
  EXPECT_EQ(ini.GetMenuAddress("Feedback"), "  quoted  ");
  EXPECT_EQ(ini.GetInt("ErrorLevel", "Level_1_", 0), -5);
  EXPECT_EQ(ini.GetInt("ErrorLevel", "Level_2_", 0), 42);
  EXPECT_EQ(ini.GetInt("Test", "IsRealFix", 1), 0) << "a text without digits counts as 0";
  EXPECT_EQ(ini.GetInt("Test", "Huge", 0), -1) << "out of range: the largest unsigned value";
  EXPECT_EQ(ini.GetInt("Test", "Max", 0), -1);
  EXPECT_EQ(ini.GetInt("Test", "Far", 0), 7);
  EXPECT_EQ(ini.GetInt("Test", "TooFar", 3), 0) << "only the first 64 code units count";

  // The growing buffer: one read truncates, GetString grows until it fits.
  std::u16string part;
  EXPECT_EQ(ini.ReadInto("Test", "Long", 512, &part), 511u);
  EXPECT_EQ(ini.GetString("Test", "Long"), long_value);
  EXPECT_EQ(ini.GetString("Test", "Edge"), edge_value);
  EXPECT_EQ(ini.GetString("Test", "Edge2"), edge_value + "e");
}

// Bytes this process has read through read() and its kin so far.
std::uint64_t BytesReadByProcess() {
  std::ifstream io("/proc/self/io");
  std::string field;
  std::uint64_t value = 0;
  while (io >> field >> value) {
    if (field == "rchar:") return value;
  }
  return 0;
}

TEST_F(Ini, ALongValueIsReadWithOneReadOfTheFile) {
  // Every 512 units of the value once cost another read and parse of the
  // whole file: a few MiB took minutes.
  const std::string long_value(300000, 'v');
  const std::string text = "[Deploy]\nRegBackup=" + long_value + "\n[Other]\nx=1\n";
  WriteIni(text);
  CIni& ini = CIni::GetInstance();
  const std::uint64_t before = BytesReadByProcess();
  ASSERT_NE(before, 0u) << "/proc/self/io is needed to count the reads";
  EXPECT_EQ(ini.GetString("Deploy", "RegBackup"), long_value);
  EXPECT_EQ(ini.GetString("Other", "x"), "1");
  EXPECT_LT(BytesReadByProcess() - before, 3 * text.size());
}

TEST_F(Ini, DeployPaths) {
  WriteIni(
      "[Deploy]\n"
      "RegBackup=.\\Backup\\\n"
      "IMAGE=Backup\\\n"
      "Html=..\\..\\share\\html\\\n"
      "LANGUAGE=Languages/\n"
      "Bare=RegBackup\n"
      "Absolute=/var/lib/clarivo/\n");
  const std::string parent = tmp_.path();
  EXPECT_EQ(GetDeployPath("RegBackup"), bin_dir() + "/Backup/");
  EXPECT_EQ(GetDeployPath("IMAGE"), GetDeployPath("RegBackup"));
  EXPECT_EQ(GetDeployPath("Html"), parent.substr(0, parent.rfind('/')) + "/share/html/");
  EXPECT_EQ(GetDeployPath("LANGUAGE"), bin_dir() + "/Languages/");
  EXPECT_EQ(GetDeployPath("Bare") + "list", bin_dir() + "/RegBackuplist");
  EXPECT_EQ(GetDeployPath("Absolute"), "/var/lib/clarivo/");
}

TEST_F(Ini, Utf16FileIsRead) {
  std::string bytes = "\xFF\xFE";
  for (char c : std::string("[Menu]\r\nFeedback=mailto:a@b\r\n")) bytes += std::string{c, '\0'};
  WriteIni(bytes);
  EXPECT_EQ(CIni::GetInstance().GetMenuAddress("Feedback"), "mailto:a@b");
}

}  // namespace
}  // namespace clarivo
