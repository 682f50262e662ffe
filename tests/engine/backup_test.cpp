// The engine's own whole-hive backup: the progress record, the interpreter
// command it runs (recorded by a stand-in interpreter), and the backup file
// queries of the default folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/clean_reg_imp.h"
#include "platform/text.h"
#include "tests/engine/fake_system.h"

namespace clarivo_test {
namespace {

namespace fs = std::filesystem;

class BackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/clarivo-backup-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
    log = dir + "/interpreter.log";
    app_data = dir + "/drives/c/users/me/AppData/Roaming";
    fs::create_directories(app_data);
    WriteInterpreter(false);
    if (const char* old = std::getenv("COMSPEC")) saved_comspec = old;
    ::setenv("COMSPEC", interpreter.c_str(), 1);

    auto fake = std::make_unique<FakeSystem>();
    sys = fake.get();
    sys->host_root = dir + "/drives";
    sys->source_spec = "wine:/srv/prefix with space";
    sys->SetSpecialFolder(platform::kCsidlAppData, uR"(C:\users\me\AppData\Roaming)");
    imp = new Function::CCleanRegImp(std::make_unique<Function::CRegEngine>(std::move(fake)));
    clean = imp;
  }
  void TearDown() override {
    clean->Release();
    if (saved_comspec.empty()) {
      ::unsetenv("COMSPEC");
    } else {
      ::setenv("COMSPEC", saved_comspec.c_str(), 1);
    }
    fs::remove_all(dir);
  }

  // The stand-in interpreter records its arguments, one per line, and fails;
  // with `run` it also hands the command to the real shell.
  void WriteInterpreter(bool run) {
    interpreter = dir + "/interpreter.sh";
    std::ofstream out(interpreter);
    out << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << log << "'; done\n";
    if (run) out << "/bin/sh -c \"$2\"\n";
    out << "exit 3\n";
    out.close();
    fs::permissions(interpreter, fs::perms::owner_all);
  }
  // Arguments of every interpreter run, in order.
  std::vector<std::string> Runs() {
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  static void Touch(const std::string& path) { std::ofstream(path) << "x"; }

  std::string dir, log, app_data, interpreter, saved_comspec;
  FakeSystem* sys = nullptr;
  Function::CCleanRegImp* imp = nullptr;
  Function::ICleanReg* clean = nullptr;
  RecordingCallback callback;
};

TEST_F(BackupTest, BackupReportsOnceAndExportsBothHivesIntoTheDefaultFolder) {
  EXPECT_EQ(clean->BackupRegistry(nullptr, &callback), 1) << "the editor failing is no failure here";
  EXPECT_EQ(callback.reports, (std::vector<Report>{{14, u"Backuping the registry.", 0, 0}}));

  const std::vector<std::string> runs = Runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], "-c");
  const std::string& command = runs[1];
  EXPECT_EQ(command.rfind("CLARIVO_REGISTRY='wine:/srv/prefix with space' '", 0), 0u) << command;
  EXPECT_NE(command.find("clarivo-regedit' /e '" + app_data + "/hkey_local_machine.reg' HKEY_LOCAL_MACHINE"),
            std::string::npos)
      << command;
  EXPECT_NE(command.find("clarivo-regedit' /e '" + app_data + "/hkey_current_user.reg' HKEY_CURRENT_USER"),
            std::string::npos)
      << command;
}

TEST_F(BackupTest, CallerFoldersWithAndWithoutBackslashGiveOneCommand) {
  clean->BackupRegistry(uR"(D:\saved)", nullptr);
  clean->BackupRegistry(uR"(D:\saved\)", nullptr);
  const std::string linux_folder = dir + "/linux";
  clean->BackupRegistry(platform::ToUtf16(linux_folder).c_str(), nullptr);
  const std::vector<std::string> runs = Runs();
  ASSERT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs[1], runs[3]);
  EXPECT_NE(runs[1].find("'" + dir + "/drives/d/saved/hkey_local_machine.reg'"), std::string::npos)
      << runs[1];
  EXPECT_NE(runs[5].find("'" + linux_folder + "/hkey_local_machine.reg'"), std::string::npos) << runs[5];
}

TEST_F(BackupTest, RestoreNeedsTheBackupFile) {
  EXPECT_EQ(clean->RestoreRegistry(nullptr, &callback), 0);
  EXPECT_EQ(callback.reports, (std::vector<Report>{{14, u"Restoring the registry.", 0, 0}}));
  EXPECT_TRUE(Runs().empty()) << "nothing is started without a backup";

  Touch(app_data + "/hkey_local_machine.reg");
  EXPECT_EQ(clean->RestoreRegistry(nullptr, nullptr), 1);
  std::vector<std::string> runs = Runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_NE(runs[1].find("clarivo-regedit' /s /i '" + app_data + "/hkey_local_machine.reg'"),
            std::string::npos);
  EXPECT_EQ(runs[1].find("hkey_current_user.reg"), std::string::npos)
      << "an older backup without the user hive";

  Touch(app_data + "/hkey_current_user.reg");
  EXPECT_EQ(clean->RestoreRegistry(nullptr, nullptr), 1);
  runs = Runs();
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_NE(runs[3].find("/s /i '" + app_data + "/hkey_current_user.reg'"), std::string::npos) << runs[3];
}

TEST_F(BackupTest, FolderTextCannotBreakOutOfTheCommand) {
  WriteInterpreter(true);
  const std::string marker = dir + "/escaped";
  const std::string folder = dir + "/it's $(touch " + marker + ") `touch " + marker + "`; touch " + marker;
  fs::create_directories(folder);
  Touch(folder + "/hkey_local_machine.reg");
  clean->BackupRegistry(platform::ToUtf16(folder).c_str(), nullptr);
  EXPECT_EQ(clean->RestoreRegistry(platform::ToUtf16(folder).c_str(), nullptr), 1);
  EXPECT_FALSE(fs::exists(marker));
}

TEST_F(BackupTest, BackupQueriesLookAtTheDefaultFolderOnly) {
  Function::SYSTEMTIME time{};
  EXPECT_EQ(clean->HasBackup(), 0);
  EXPECT_EQ(clean->GetBackupTime(&time), 0);

  fs::create_directories(dir + "/drives/d/other");
  Touch(dir + "/drives/d/other/hkey_local_machine.reg");
  EXPECT_EQ(clean->HasBackup(), 0);

  const std::string file = app_data + "/hkey_local_machine.reg";
  Touch(file);
  EXPECT_EQ(clean->HasBackup(), 1);
  // 2024-02-29 13:14:15.250 UTC, a Thursday.
  const struct timespec times[2] = {{1709212455, 250000000}, {1709212455, 250000000}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  ASSERT_EQ(clean->GetBackupTime(&time), 1);
  EXPECT_EQ(time.wYear, 2024);
  EXPECT_EQ(time.wMonth, 2);
  EXPECT_EQ(time.wDay, 29);
  EXPECT_EQ(time.wDayOfWeek, 4);
  EXPECT_EQ(time.wHour, 13);
  EXPECT_EQ(time.wMinute, 14);
  EXPECT_EQ(time.wSecond, 15);
  EXPECT_EQ(time.wMilliseconds, 250);
}

TEST_F(BackupTest, NoApplicationDataFolderMeansNoBackupPlace) {
  sys->SetSpecialFolder(platform::kCsidlAppData, u"");
  EXPECT_EQ(clean->BackupRegistry(nullptr, &callback), 1);
  EXPECT_EQ(clean->RestoreRegistry(nullptr, &callback), 0);
  EXPECT_EQ(callback.reports.size(), 2u);
  EXPECT_TRUE(Runs().empty());
  EXPECT_EQ(clean->HasBackup(), 0);
}

}  // namespace
}  // namespace clarivo_test
