#include "platform/wine_system.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace platform {
namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// Restores one environment variable when the test ends.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// A small prefix laid out as Wine lays it out.
class WineSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/clarivo-winesys-XXXXXX";
    prefix_ = mkdtemp(tmpl);
    ASSERT_EQ(std::system(
                  ("cd '" + prefix_ +
                   "' && mkdir -p dosdevices 'drive_c/users/eve/AppData/Roaming' drive_c/windows/system32 && "
                   "touch drive_c/windows/system32/kernel32.dll && ln -s ../drive_c dosdevices/c:")
                      .c_str()),
              0);
    WriteFile(
        prefix_ + "/system.reg",
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
        "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
        "\"SystemRoot\"=\"C:\\\\windows\"\n\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\User Shell Folders] 1700000000\n"
        "\"Common Start Menu\"=str(2):\"%ProgramData%\\\\Microsoft\\\\Windows\\\\Start Menu\"\n\n"
        "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] 1700000000\n"
        "\"TEMP\"=str(2):\"%SystemRoot%\\\\temp\"\n");
    WriteFile(
        prefix_ + "/user.reg",
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
        "\"AppData\"=\"C:\\\\users\\\\eve\\\\AppData\\\\Roaming\"\n\n"
        "[Volatile Environment] 1700000000\n"
        "\"USERPROFILE\"=\"C:\\\\users\\\\eve\"\n");
  }
  void TearDown() override { std::system(("rm -rf '" + prefix_ + "'").c_str()); }

  std::string prefix_;
};

TEST_F(WineSystemTest, ServesRegistryPathsEnvironmentAndFoldersOfThePrefix) {
  std::string error;
  std::unique_ptr<WindowsSystem> system = OpenWindowsSystem("wine:" + prefix_, &error);
  ASSERT_TRUE(system) << error;
  EXPECT_EQ(system->Describe(), "wine:" + prefix_);
  EXPECT_EQ(system->SourceSpec(), "wine:" + prefix_);
  EXPECT_EQ(system->Warning(), "");

  RegKey key = 0;
  EXPECT_EQ(system->registry().OpenKey(kCurrentUser, u"Volatile Environment", &key), kRegOk);
  system->registry().CloseKey(key);

  EXPECT_TRUE(system->PathFileExists(u"C:\\Windows\\System32\\KERNEL32.dll"));
  EXPECT_FALSE(system->PathFileExists(u"C:\\windows\\system32\\gone.dll"));
  EXPECT_TRUE(system->PathFileExists(u"F:\\unmapped.exe"));
  EXPECT_EQ(system->ToHostPath(u"c:\\windows\\SYSTEM32"), prefix_ + "/drive_c/windows/system32");
  EXPECT_EQ(system->ToHostPath(u"/etc/passwd"), "/etc/passwd");

  EXPECT_EQ(system->ExpandEnvironmentStrings(u"%TEMP%|%USERPROFILE%|%nope%"),
            u"C:\\windows\\temp|C:\\users\\eve|%nope%");
  EXPECT_EQ(system->GetSpecialFolder(kCsidlAppData), u"C:\\users\\eve\\AppData\\Roaming");
  EXPECT_EQ(system->GetSpecialFolder(kCsidlCommonStartMenu),
            u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
  EXPECT_EQ(system->GetSpecialFolder(kCsidlStartMenu), u"");
}

TEST_F(WineSystemTest, SourcesAreParsedWithClearErrors) {
  std::string error;
  // A bare folder is a Wine prefix; a relative one becomes absolute for child processes.
  std::unique_ptr<WindowsSystem> system = OpenWindowsSystem(prefix_ + "/", &error);
  ASSERT_TRUE(system) << error;
  EXPECT_EQ(system->SourceSpec(), "wine:" + prefix_);
  char* cwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(prefix_.c_str()), 0);
  system = OpenWindowsSystem("wine:.", &error);
  ASSERT_EQ(chdir(cwd), 0);
  free(cwd);
  ASSERT_TRUE(system) << error;
  EXPECT_EQ(system->SourceSpec(), "wine:" + prefix_);

  EXPECT_FALSE(OpenWindowsSystem("hive:/mnt/windows", &error));
  EXPECT_EQ(error, "offline Windows installations (hive:) are not supported yet");
  EXPECT_FALSE(OpenWindowsSystem("registry:/x", &error));
  EXPECT_NE(error.find("unknown registry source \"registry:/x\""), std::string::npos) << error;
  EXPECT_FALSE(OpenWindowsSystem("", &error));
  EXPECT_EQ(error, "no registry source given");
  EXPECT_FALSE(OpenWindowsSystem("wine:" + prefix_ + "/missing", &error));
  EXPECT_EQ(error.rfind("no Wine prefix at " + prefix_ + "/missing: ", 0), 0u) << error;
  EXPECT_FALSE(OpenWindowsSystem("wine:" + prefix_ + "/drive_c", &error));
  EXPECT_EQ(error, "no Wine prefix at " + prefix_ + "/drive_c: it has no system.reg");
}

TEST(DefaultRegistrySource, RegistryVariableThenWineprefixThenHome) {
  ScopedEnv home("HOME", "/home/zed");
  {
    ScopedEnv spec("CLARIVO_REGISTRY", "wine:/a");
    ScopedEnv prefix("WINEPREFIX", "/b");
    EXPECT_EQ(DefaultRegistrySource(), "wine:/a");
  }
  {
    ScopedEnv spec("CLARIVO_REGISTRY", nullptr);
    ScopedEnv prefix("WINEPREFIX", "/b");
    EXPECT_EQ(DefaultRegistrySource(), "wine:/b");
  }
  ScopedEnv spec("CLARIVO_REGISTRY", "");
  ScopedEnv prefix("WINEPREFIX", nullptr);
  EXPECT_EQ(DefaultRegistrySource(), "wine:/home/zed/.wine");
}

}  // namespace
}  // namespace platform
