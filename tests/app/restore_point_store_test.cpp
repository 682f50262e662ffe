// The backup store: its list file byte for byte, damaged lists, backups and
// restores through clarivo-regedit on a copy of the demo prefix, deleting
// points, and the folder utility underneath.
#include "app/core/restore_point_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <filesystem>

#include "app/core/disk_object.h"
#include "tests/app/reg_test_support.h"
#include "tests/app/test_support.h"

namespace clarivo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutDouble(Bytes& b, double d) {
  auto v = std::bit_cast<std::uint64_t>(d);
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
Bytes FileBytes(const std::string& path) {
  const std::string text = testing::ReadText(path);
  return Bytes(text.begin(), text.end());
}
void WriteBytes(const std::string& path, const Bytes& bytes) {
  testing::WriteText(path, std::string(bytes.begin(), bytes.end()));
}

class RestorePointStoreTest : public testing::DemoRegistrySandbox {
 protected:
  std::string backups() const { return tmp_ / "backups/"; }
  std::vector<std::string> Folders(const std::string& root) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root)) {
      if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(RestorePointStoreTest, BackupsGoToTheUsersDataFolderUnlessTheIniNamesOne) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_DATA_HOME", (tmp_ / "data").c_str(), 1);
  EXPECT_EQ(DefaultStoreFolder(), (tmp_ / "data") + "/Quorvex-Clarivo/backups/");
  testing::WriteText(ini_path(), "[Deploy]\r\nRegBackup=.\\Backup\\\r\n");
  EXPECT_EQ(DefaultStoreFolder(), bin_dir() + "/Backup/");
  if (old != nullptr) {
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
}

TEST_F(RestorePointStoreTest, ListFileIsWrittenAndReadByteForByte) {
  RestorePointStore store(backups());
  ASSERT_TRUE(store.points().empty());
  // Two points, one carrying a description from an older list.
  Bytes expected;
  Put32(expected, 2);
  expected.insert(expected.end(), {0xFF, 0xFE, 0xFF, 0x00});
  Put32(expected, 0);
  PutDouble(expected, 46000.5);
  expected.insert(expected.end(), {0xFF, 0xFE, 0xFF, 0x02, 'A', 0, 0xE9, 0});
  Put32(expected, 1);
  PutDouble(expected, 45999.25);
  WriteBytes(store.ListPath(), expected);

  RestorePointStore loaded(backups());
  ASSERT_EQ(loaded.points().size(), 2u);
  EXPECT_EQ(loaded.points()[0], (RestorePoint{u"", {46000.5, 0}}));
  EXPECT_EQ(loaded.points()[1], (RestorePoint{u"A\u00e9", {45999.25, 1}}));
  fs::remove(loaded.ListPath());
  ASSERT_TRUE(loaded.SaveList());
  EXPECT_EQ(FileBytes(loaded.ListPath()), expected);
  EXPECT_TRUE(ui_.messages.empty());

  // The folder is a prefix: without a trailing slash the names are glued on.
  RestorePointStore glued(tmp_ / "RegBackup");
  EXPECT_EQ(glued.ListPath(), tmp_ / "RegBackuplist");
  EXPECT_EQ(glued.PointFolder({u"", {46000.5, 0}}).substr(tmp_.path().size()),
            "/RegBackup" + FormatOleDate(46000.5, "%y%m%d%H%M%S") + "/");
}

TEST_F(RestorePointStoreTest, DamagedListIsReportedNotUsedAndSetAside) {
  Bytes huge_count;
  Put32(huge_count, 0x7FFFFFFF);
  huge_count.insert(huge_count.end(), {0xFF, 0xFE, 0xFF, 0x00});
  Bytes negative;
  Put32(negative, 0xFFFFFFFF);
  Bytes cut;
  Put32(cut, 1);
  cut.insert(cut.end(), {0xFF, 0xFE, 0xFF, 0x00, 0, 0, 0, 0, 1, 2});
  Bytes trailing;
  Put32(trailing, 0);
  trailing.push_back(7);
  Bytes long_string;  // a string longer than the file
  Put32(long_string, 1);
  long_string.insert(long_string.end(), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
  for (int i = 0; i < 12; ++i) long_string.push_back(0);

  for (const Bytes& bytes : {huge_count, negative, cut, trailing, long_string}) {
    fs::remove_all(backups());
    WriteBytes(backups() + "list", bytes);
    ui_.messages.clear();
    RestorePointStore store(backups());
    EXPECT_TRUE(store.points().empty());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_NE(ui_.messages[0].find("damaged"), std::string::npos);
    EXPECT_NE(ui_.messages[0].find(store.ListPath()), std::string::npos);
    // The next write keeps the damaged file beside the new list.
    ASSERT_TRUE(store.SaveList());
    EXPECT_EQ(FileBytes(store.ListPath() + ".damaged"), bytes);
    EXPECT_EQ(FileBytes(store.ListPath()), Bytes({0, 0, 0, 0}));
  }
}

TEST_F(RestorePointStoreTest, BackupsExportBothHivesIntoFoldersOfTheirOwn) {
  // Blanks, quotes and shell characters in the folder must not break the command.
  const std::string root = tmp_ / "it's $(touch pwned) `x` \"dir\"/";
  RestorePointStore store(root);
  testing::RecordingBackupListener listener(store);
  store.listener = &listener;
  store.create_mode = true;
  ASSERT_TRUE(store.Run()) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  ASSERT_TRUE(store.Run());
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_FALSE(fs::exists(tmp_ / "pwned"));
  EXPECT_FALSE(fs::exists("pwned"));
  EXPECT_EQ(listener.calls, (std::vector<std::string>{"begin busy", "end busy", "begin busy", "end busy"}));
  EXPECT_FALSE(store.busy());
  EXPECT_TRUE(store.last_run_succeeded());

  ASSERT_EQ(store.points().size(), 2u);
  std::vector<std::string> expected;
  for (const RestorePoint& point : store.points()) {
    EXPECT_EQ(point.description, u"");
    EXPECT_EQ(point.created.status, kOleDateValid);
    const std::string name = FormatOleDate(point.created.date, "%y%m%d%H%M%S");
    EXPECT_EQ(name.size(), 12u);
    expected.push_back(name);
    const std::string machine = testing::ReadText(root + name + "/reg.reg");
    const std::string user = testing::ReadText(root + name + "/reg_user.reg");
    EXPECT_NE(testing::DecodeUtf16(machine).find("[HKEY_LOCAL_MACHINE\\Software"), std::string::npos);
    EXPECT_EQ(testing::DecodeUtf16(machine).find("[HKEY_CURRENT_USER"), std::string::npos);
    EXPECT_NE(testing::DecodeUtf16(user).find("[HKEY_CURRENT_USER\\Software\\Empty Vendor]"),
              std::string::npos);
  }
  // The second backup waited for the next second instead of sharing a folder.
  EXPECT_NE(expected[0], expected[1]);
  EXPECT_EQ(Folders(root), expected);
  RestorePointStore reread(root);
  EXPECT_EQ(reread.points(), store.points());
}

TEST_F(RestorePointStoreTest, FailedBackupIsReportedAndAddsNoPoint) {
  RestorePointStore store(backups());
  store.create_mode = true;
  setenv("CLARIVO_REGISTRY", ("wine:" + (tmp_ / "no-such-prefix")).c_str(), 1);
  EXPECT_FALSE(store.Run());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find("clarivo-regedit"), std::string::npos);
  EXPECT_NE(ui_.messages[0].find("failed with exit status"), std::string::npos);
  EXPECT_TRUE(store.points().empty());
  EXPECT_TRUE(store.last_backup_failed());
  EXPECT_FALSE(store.last_run_succeeded());
  EXPECT_TRUE(Folders(backups()).empty()) << "the failed backup's folder is removed";
  EXPECT_FALSE(fs::exists(store.ListPath()));

  // A folder that cannot be created: a file stands in its way.
  UseDemoRegistry();
  testing::WriteText(tmp_ / "blocked", "");
  RestorePointStore blocked(tmp_ / "blocked/");
  blocked.create_mode = true;
  ui_.messages.clear();
  EXPECT_FALSE(blocked.Run());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find(tmp_ / "blocked"), std::string::npos);
  EXPECT_TRUE(blocked.points().empty());

  // A later backup that succeeds clears the failure.
  ASSERT_TRUE(store.Run());
  EXPECT_FALSE(store.last_backup_failed());
}

TEST_F(RestorePointStoreTest, RestoreBringsBackBothHivesAndReportsAMissingFolder) {
  RestorePointStore store(backups());
  store.create_mode = true;
  ASSERT_TRUE(store.Run());
  const RegistryKeys before = ExportRegistry("before.reg");
  // Change both hives behind the store's back.
  testing::WriteText(tmp_ / "change.reg",
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[-HKEY_CURRENT_USER\\Software\\Abandoned Vendor]\r\n\r\n"
                     "[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Help]\r\n\r\n");
  ASSERT_EQ(RunRegedit("/s " + (tmp_ / "change.reg")), 0);
  ASSERT_NE(ExportRegistry("changed.reg"), before);

  store.create_mode = false;
  store.restore_index = 0;
  ASSERT_TRUE(store.Run()) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  EXPECT_EQ(ExportRegistry("after.reg"), before);
  EXPECT_EQ(store.points().size(), 1u) << "a restore leaves the list as it is";

  // A point whose folder was removed by hand: the import fails and says so.
  fs::remove_all(store.PointFolder(store.points()[0]));
  ui_.messages.clear();
  EXPECT_FALSE(store.Run());
  EXPECT_FALSE(store.last_run_succeeded());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find("reg.reg"), std::string::npos);
}

TEST_F(RestorePointStoreTest, PointsRecordTheirRegistryAndRestoreElsewhereOnlyWhenConfirmed) {
  RestorePointStore store(backups());
  store.create_mode = true;
  ASSERT_TRUE(store.Run());
  const std::string made_from = "wine:" + fs::canonical(prefix()).string();
  EXPECT_EQ(store.PointSource(store.points()[0]), made_from);
  EXPECT_EQ(store.SourceMismatch(0), "");

  // Another prefix: refused with both names, then done once confirmed.
  const std::string other = tmp_ / "other";
  fs::copy(prefix(), other, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const std::string before = testing::ReadText(other + "/system.reg");
  store.registry_source = "wine:" + other;
  EXPECT_NE(store.SourceMismatch(0).find(made_from), std::string::npos);
  store.create_mode = false;
  store.restore_index = 0;
  ui_.messages.clear();
  EXPECT_FALSE(store.Run());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find(made_from), std::string::npos) << ui_.messages[0];
  EXPECT_NE(ui_.messages[0].find(other), std::string::npos) << ui_.messages[0];
  EXPECT_EQ(testing::ReadText(other + "/system.reg"), before);
  store.into_other_registry = true;
  EXPECT_TRUE(store.Run()) << store.last_error();

  // A list that cannot be replaced for a while (here a folder stands in its
  // way, which stops root too): the new point stays for this run, also
  // through later changes that read the list again.
  store.registry_source.clear();
  store.into_other_registry = false;
  store.create_mode = true;
  const std::string old_list = testing::ReadText(store.ListPath());
  fs::remove(store.ListPath());
  fs::create_directories(store.ListPath() + "/blocker");
  ui_.messages.clear();
  EXPECT_TRUE(store.Run());
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"Fail to create file"});
  ASSERT_EQ(store.points().size(), 2u);
  const RestorePoint unsaved = store.points()[1];
  fs::remove_all(store.ListPath());
  testing::WriteText(store.ListPath(), old_list);
  ASSERT_TRUE(store.Run());  // reads the list again before adding its point
  ASSERT_EQ(store.points().size(), 3u);
  EXPECT_EQ(store.points()[1], unsaved);
  ASSERT_TRUE(store.DeletePoint(2));
  ASSERT_TRUE(store.DeletePoint(1));
  EXPECT_EQ(store.points().size(), 1u);

  // A second store sees the point the first one listed, and the lock file
  // lies beside the list.
  RestorePointStore second(backups());
  EXPECT_EQ(second.points(), store.points());
  EXPECT_TRUE(fs::exists(store.ListPath() + ".lock"));
  EXPECT_TRUE(second.OrphanFolders().empty());
}

TEST_F(RestorePointStoreTest, DeletePointRemovesExactlyItsFolder) {
  RestorePointStore store(backups());
  store.create_mode = true;
  ASSERT_TRUE(store.Run());
  ASSERT_TRUE(store.Run());
  fs::create_directories(backups() + "keep-me");
  const std::vector<RestorePoint> points = store.points();
  const std::string first = FormatOleDate(points[0].created.date, "%y%m%d%H%M%S");
  const std::string second = FormatOleDate(points[1].created.date, "%y%m%d%H%M%S");
  ASSERT_EQ(Folders(backups()), (std::vector<std::string>{first, second, "keep-me"}));

  ASSERT_TRUE(store.DeletePoint(0));
  EXPECT_EQ(Folders(backups()), (std::vector<std::string>{second, "keep-me"}));
  EXPECT_EQ(store.points(), std::vector<RestorePoint>{points[1]});
  EXPECT_EQ(RestorePointStore(backups()).points(), store.points());

  EXPECT_FALSE(store.DeletePoint(1));
  EXPECT_FALSE(store.DeletePoint(-1));
  ASSERT_TRUE(store.DeletePoint(0));
  EXPECT_EQ(Folders(backups()), std::vector<std::string>{"keep-me"});
  EXPECT_EQ(FileBytes(store.ListPath()), Bytes({0, 0, 0, 0}));

  // A list from before each point had a folder of its own: two points of one
  // second. Deleting one keeps the folder the other still needs.
  Bytes shared;
  Put32(shared, 2);
  for (int i = 0; i < 2; ++i) {
    shared.insert(shared.end(), {0xFF, 0xFE, 0xFF, 0x00});
    Put32(shared, 0);
    PutDouble(shared, 46000.5);
  }
  WriteBytes(store.ListPath(), shared);
  const std::string folder = FormatOleDate(46000.5, "%y%m%d%H%M%S");
  testing::WriteText(backups() + folder + "/reg.reg", "x");
  RestorePointStore old_list(backups());
  ASSERT_TRUE(old_list.DeletePoint(1));
  EXPECT_TRUE(fs::exists(backups() + folder + "/reg.reg"));
  ASSERT_TRUE(old_list.DeletePoint(0));
  EXPECT_FALSE(fs::exists(backups() + folder));

  // Points whose time names no folder are removed from the list alone, never
  // with the whole store, and cannot be restored.
  testing::WriteText(backups() + "261208000000/reg.reg", "x");
  for (const OleDateTime created :
       {OleDateTime{std::nan(""), 0}, OleDateTime{1e9, 0}, OleDateTime{46000.5, 1}}) {
    Bytes bad;
    Put32(bad, 1);
    bad.insert(bad.end(), {0xFF, 0xFE, 0xFF, 0x00});
    Put32(bad, static_cast<std::uint32_t>(created.status));
    PutDouble(bad, created.date);
    WriteBytes(store.ListPath(), bad);
    RestorePointStore odd(backups());
    ASSERT_EQ(odd.points().size(), 1u);
    ui_.messages.clear();
    odd.create_mode = false;
    EXPECT_FALSE(odd.Run());
    EXPECT_EQ(ui_.messages.size(), 1u);
    ASSERT_TRUE(odd.DeletePoint(0));
    EXPECT_TRUE(fs::exists(backups() + "261208000000/reg.reg"));
    EXPECT_TRUE(fs::exists(backups() + "keep-me"));
  }
}

TEST_F(RestorePointStoreTest, WorkerIsBusyFromItsStartAndListFailureIsShown) {
  RestorePointStore store(backups());
  testing::RecordingBackupListener listener(store);
  store.listener = &listener;
  store.create_mode = true;
  store.StartWorker();
  EXPECT_TRUE(store.busy());
  ASSERT_TRUE(listener.WaitForEnd());
  for (int i = 0; i < 100 && store.busy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(store.busy());
  EXPECT_EQ(store.points().size(), 1u);

  // A list that cannot be written: the backup still succeeds, the point stays
  // for this run only and the failure is shown.
  testing::WriteText(tmp_ / "blocked", "");
  RestorePointStore blocked(tmp_ / "blocked/");
  EXPECT_FALSE(blocked.SaveList());
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"Fail to create file"});
}

TEST(DiskObjectTest, FailuresNameTheCauseAndLinksAreNotFollowed) {
  testing::TempDir tmp;
  CDiskObject disk;
  EXPECT_FALSE(disk.CreateDirectory(""));
  EXPECT_EQ(disk.error(), "CDiskObject internal error");
  EXPECT_FALSE(disk.RemoveDirectories(""));
  EXPECT_EQ(disk.error(), "CDiskObject internal error");

  ASSERT_TRUE(disk.CreateDirectory(tmp / "a/b/c/"));
  EXPECT_TRUE(fs::is_directory(tmp / "a/b/c"));
  EXPECT_TRUE(disk.CreateDirectory(tmp / "a/b"));
  testing::WriteText(tmp / "file", "x");
  EXPECT_FALSE(disk.CreateDirectory(tmp / "file/sub"));
  EXPECT_EQ(disk.error(), std::string("Not a directory ") + (tmp / "file/sub"));

  // A tree with files, a link to a folder outside it and a link to a file.
  testing::WriteText(tmp / "a/top.reg", "1");
  testing::WriteText(tmp / "a/b/c/deep.reg", "2");
  testing::WriteText(tmp / "outside/precious", "3");
  fs::create_directory_symlink(tmp / "outside", tmp / "a/b/link");
  fs::create_symlink(tmp / "outside/precious", tmp / "a/file-link");
  ASSERT_TRUE(disk.RemoveDirectories(tmp / "a/"));
  EXPECT_FALSE(fs::exists(tmp / "a"));
  EXPECT_EQ(testing::ReadText(tmp / "outside/precious"), "3");
  EXPECT_FALSE(disk.RemoveDirectories(tmp / "a"));
  EXPECT_NE(disk.error().find(tmp / "a"), std::string::npos);
}

}  // namespace
}  // namespace clarivo
