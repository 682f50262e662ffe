#include "platform/path_mapping.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace platform {
namespace {

// A prefix with drive C: (a relative link, as Wine makes it), a drive D: whose
// target is gone, and a few files with mixed-case names.
class PathMappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/clarivo-paths-XXXXXX";
    prefix_ = mkdtemp(tmpl);
    Run("mkdir -p dosdevices drive_c/Windows/System32 'drive_c/Program Files/App'");
    Run("touch drive_c/Windows/System32/Shell32.dll 'drive_c/Program Files/App/app.exe'");
    Run("ln -s ../drive_c dosdevices/c: && ln -s /nonexistent/cdrom dosdevices/d:");
    drive_c_ = prefix_ + "/drive_c";
  }
  void TearDown() override { std::system(("rm -rf '" + prefix_ + "'").c_str()); }
  void Run(const std::string& command) {
    ASSERT_EQ(std::system(("cd '" + prefix_ + "' && " + command).c_str()), 0) << command;
  }

  std::string prefix_;
  std::string drive_c_;
};

TEST_F(PathMappingTest, MapsDrivePathsExactlyAndWithoutCase) {
  WinePathMapper mapper(prefix_);
  EXPECT_EQ(mapper.ToHostPath(u"C:\\Windows\\System32\\Shell32.dll"),
            drive_c_ + "/Windows/System32/Shell32.dll");
  // Case differences resolve to the names on disk.
  EXPECT_EQ(mapper.ToHostPath(u"c:\\WINDOWS\\system32\\shell32.DLL"),
            drive_c_ + "/Windows/System32/Shell32.dll");
  EXPECT_TRUE(mapper.Exists(u"C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"));
  EXPECT_TRUE(mapper.Exists(u"C:\\program files\\app"));
  // Forward slashes, doubled separators, "." and ".." as Windows reads them.
  EXPECT_TRUE(mapper.Exists(u"C:/Program Files//App/./../App/APP.EXE"));
  EXPECT_TRUE(mapper.Exists(u"\\??\\C:\\windows\\system32\\shell32.dll"));
  EXPECT_TRUE(mapper.Exists(u"\\\\?\\C:\\windows\\system32\\shell32.dll"));
  // Without a drive the path counts from C:\.
  EXPECT_TRUE(mapper.Exists(u"\\Windows\\System32"));

  EXPECT_FALSE(mapper.Exists(u"C:\\Windows\\System32\\gone.dll"));
  EXPECT_FALSE(mapper.Exists(u"C:\\Nowhere\\app.exe"));
  // A missing part keeps the rest as written.
  EXPECT_EQ(mapper.ToHostPath(u"C:\\windows\\Missing\\X.dll"), drive_c_ + "/Windows/Missing/X.dll");
  EXPECT_FALSE(mapper.Exists(u""));
}

TEST_F(PathMappingTest, CaseInsensitiveMatchesFollowChangesOnDisk) {
  WinePathMapper mapper(prefix_);
  EXPECT_FALSE(mapper.Exists(u"C:\\windows\\system32\\NEW.DLL"));
  Run("touch drive_c/Windows/System32/New.dll");
  EXPECT_TRUE(mapper.Exists(u"C:\\windows\\system32\\NEW.DLL"));
  Run("rm drive_c/Windows/System32/New.dll");
  EXPECT_FALSE(mapper.Exists(u"C:\\windows\\system32\\NEW.DLL"));
}

TEST_F(PathMappingTest, WithinAScanOnlyFoundPathsAreRemembered) {
  WinePathMapper mapper(prefix_);
  mapper.BeginScan();
  mapper.BeginScan();  // scans nest: the inner end keeps the memory
  EXPECT_TRUE(mapper.Exists(u"c:\\program files\\app\\APP.EXE"));
  EXPECT_FALSE(mapper.Exists(u"C:\\Program Files\\App\\new.exe"));
  // A file that appears is found at once: a missing path is never remembered.
  Run("touch 'drive_c/Program Files/App/NEW.exe'");
  EXPECT_TRUE(mapper.Exists(u"C:\\Program Files\\App\\new.exe"));
  // A file found once counts as there until the scan ends (it is not reported).
  Run("rm 'drive_c/Program Files/App/app.exe'");
  mapper.EndScan();
  EXPECT_TRUE(mapper.Exists(u"c:\\program files\\app\\APP.EXE"));
  mapper.EndScan();
  // After the scan every answer is fresh again.
  EXPECT_FALSE(mapper.Exists(u"c:\\program files\\app\\APP.EXE"));
  EXPECT_FALSE(mapper.Exists(u"C:\\Program Files\\App\\app.exe"));
  mapper.EndScan();  // an unmatched end does no harm
  EXPECT_TRUE(mapper.Exists(u"C:\\Program Files\\App\\new.exe"));
}

// Within a scan, answers come from one listing per folder: they must be the
// answers of a test of the path itself, and a new scan lists afresh.
TEST_F(PathMappingTest, WithinAScanFolderListingsAnswerAsTestsOfThePathDo) {
  Run("mkdir -p drive_c/Dir && touch drive_c/Dir/b.txt drive_c/Dir/B.TXT drive_c/Dir/file");
  Run("ln -s b.txt drive_c/Dir/link && ln -s gone drive_c/Dir/dangling && ln -s ../Windows drive_c/Dir/win");
  const std::u16string paths[] = {u"C:\\Dir\\b.txt",
                                  u"C:\\dir\\b.Txt",
                                  u"C:\\DIR\\B.TXT",
                                  u"C:\\Dir\\LINK",
                                  u"C:\\Dir\\dangling",
                                  u"C:\\Dir\\win\\system32\\shell32.dll",
                                  u"C:\\Dir\\file\\x",
                                  u"C:\\Dir\\file\\",
                                  u"C:\\Dir\\nothing",
                                  u"C:\\Dir\\..\\Dir\\.\\b.txt",
                                  u"C:\\",
                                  u"C:\\Windows\\System32\\",
                                  u"C:\\Dir\\b.txt\0junk",
                                  u"C:\\windows\\..\\..\\Dir\\FILE"};
  WinePathMapper plain(prefix_);
  WinePathMapper scanning(prefix_);
  scanning.BeginScan();
  for (const std::u16string& path : paths) {
    const bool fresh = plain.Exists(path);
    EXPECT_EQ(scanning.Exists(path), fresh) << std::string(path.begin(), path.end());
    EXPECT_EQ(scanning.Exists(path), fresh) << "asked again";
  }
  // A file that appears in a folder already listed is found; one that goes
  // away before anyone asked for it is not reported missing by this scan.
  Run("touch drive_c/Dir/later.txt && rm drive_c/Dir/file");
  EXPECT_TRUE(scanning.Exists(u"C:\\Dir\\LATER.txt"));
  scanning.EndScan();
  // The next scan lists again.
  scanning.BeginScan();
  EXPECT_FALSE(scanning.Exists(u"C:\\Dir\\file"));
  EXPECT_TRUE(scanning.Exists(u"C:\\Dir\\link"));
  scanning.EndScan();
  Run("rm drive_c/Dir/b.txt drive_c/Dir/B.TXT");
  scanning.BeginScan();
  EXPECT_FALSE(scanning.Exists(u"C:\\Dir\\b.txt"));
  EXPECT_FALSE(scanning.Exists(u"C:\\Dir\\link"));
  scanning.EndScan();
}

TEST_F(PathMappingTest, WhatCannotBeCheckedCountsAsExisting) {
  WinePathMapper mapper(prefix_);
  EXPECT_EQ(mapper.Map(u"E:\\setup.exe").kind, WinePathMapper::Kind::kUnmappedDrive);
  EXPECT_TRUE(mapper.Exists(u"E:\\setup.exe"));
  // A drive whose link target is gone (removable media) cannot be checked either.
  EXPECT_EQ(mapper.Map(u"D:\\setup.exe").kind, WinePathMapper::Kind::kUnmappedDrive);
  EXPECT_TRUE(mapper.Exists(u"d:\\setup.exe"));
  EXPECT_TRUE(mapper.Exists(u"\\\\server\\share\\file.dll"));
  EXPECT_TRUE(mapper.Exists(u"//server/share/file.dll"));
  EXPECT_TRUE(mapper.Exists(u"\\\\?\\UNC\\server\\share\\file.dll"));
  EXPECT_EQ(mapper.ToHostPath(u"\\\\server\\share"), "");
  EXPECT_EQ(mapper.ToHostPath(u"E:\\x"), "");
}

TEST_F(PathMappingTest, LinuxPathsPassThrough) {
  WinePathMapper mapper(prefix_);
  EXPECT_EQ(mapper.ToHostPath(u"/usr/bin"), "/usr/bin");
  EXPECT_TRUE(mapper.Exists(u"/bin/sh"));
  EXPECT_FALSE(mapper.Exists(u"/no/such/file"));
}

}  // namespace
}  // namespace platform
