// clarivo-regedit as its callers use it: exit status 0 only on success, one
// clear line on stderr otherwise.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/text.h"
#include "platform/wineserver_lock.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string Utf16Text(const std::string& bytes) {
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return platform::ToUtf8(text);
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Outcome {
  int status = -1;
  std::string err;
};

// A minimal Wine prefix: the two registry files and drive C:.
class RegeditTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/clarivo-regedit-XXXXXX";
    dir_ = mkdtemp(tmpl);
    prefix_ = dir_ + "/prefix";
    ASSERT_EQ(std::system(("mkdir -p '" + prefix_ + "/dosdevices' '" + prefix_ +
                           "/drive_c/out' && ln -s ../drive_c '" + prefix_ + "/dosdevices/c:'")
                              .c_str()),
              0);
    WriteFile(prefix_ + "/system.reg",
              "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
              "[Software\\\\Vendor\\\\App] 1700000000\n\"Path\"=\"C:\\\\app\"\n\"Count\"=dword:00000003\n");
    WriteFile(
        prefix_ + "/user.reg",
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
        "[Software\\\\Mine] 1700000000\n\"a\"=\"b\"\n");
    setenv("CLARIVO_REGISTRY", ("wine:" + prefix_).c_str(), 1);
  }
  void TearDown() override {
    unsetenv("CLARIVO_REGISTRY");
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  Outcome Run(const std::string& args) {
    const std::string err_file = dir_ + "/stderr";
    const std::string command = Quote(std::string(CLARIVO_BIN_DIR) + "/clarivo-regedit") + " " + args +
                                " >/dev/null 2>" + Quote(err_file);
    Outcome outcome;
    const int raw = std::system(command.c_str());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.err = ReadFile(err_file);
    return outcome;
  }

  std::string dir_;
  std::string prefix_;
};

TEST_F(RegeditTool, ExportsToLinuxAndWindowsPaths) {
  const std::string file = dir_ + "/app.reg";
  Outcome out = Run("/e " + Quote(file) + " 'HKEY_LOCAL_MACHINE\\Software\\Vendor'");
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.err, "");
  const std::string bytes = ReadFile(file);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(Utf16Text(bytes),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\App]\r\n"
            "\"Path\"=\"C:\\\\app\"\r\n"
            "\"Count\"=dword:00000003\r\n\r\n");

  // A Windows path lands inside the prefix (case-insensitively matched folder).
  out = Run("/e 'C:\\OUT\\all.reg'");
  ASSERT_EQ(out.status, 0) << out.err;
  const std::string all = Utf16Text(ReadFile(prefix_ + "/drive_c/out/all.reg"));
  const std::size_t machine = all.find("[HKEY_LOCAL_MACHINE]\r\n");
  const std::size_t user = all.find("[HKEY_CURRENT_USER]\r\n");
  ASSERT_NE(machine, std::string::npos);
  ASSERT_NE(user, std::string::npos);
  EXPECT_LT(machine, user);
  EXPECT_NE(all.find("[HKEY_CURRENT_USER\\Software\\Mine]\r\n\"a\"=\"b\"\r\n"), std::string::npos);
}

TEST_F(RegeditTool, ImportChangesTheRegistryFiles) {
  const std::string file = dir_ + "/change.reg";
  WriteFile(file,
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[-HKEY_LOCAL_MACHINE\\Software\\Vendor\\App]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Mine]\r\n\"a\"=-\r\n\"new\"=dword:0000002a\r\n");
  Outcome out = Run("/s /i " + Quote(file));
  ASSERT_EQ(out.status, 0) << out.err;
  const std::string system = ReadFile(prefix_ + "/system.reg");
  EXPECT_EQ(system.find("Vendor\\\\App"), std::string::npos);
  EXPECT_NE(system.find("[Software\\\\Vendor]"), std::string::npos) << "the parent stays";
  const std::string user = ReadFile(prefix_ + "/user.reg");
  EXPECT_NE(user.find("\"new\"=dword:0000002a"), std::string::npos);
  EXPECT_EQ(user.find("\"a\"=\"b\""), std::string::npos);

  // What was imported reads back through an export.
  out = Run("/e " + Quote(dir_ + "/mine.reg") + " 'HKCU\\Software\\Mine'");
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(Utf16Text(ReadFile(dir_ + "/mine.reg")),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Mine]\r\n\"new\"=dword:0000002a\r\n\r\n");
}

TEST_F(RegeditTool, FailuresExitNonZeroWithOneLineNamingTheCause) {
  const std::string system_before = ReadFile(prefix_ + "/system.reg");
  const std::string bad = dir_ + "/bad.reg";
  WriteFile(bad, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\New]\n\"v\"=dword:xyz\n");
  struct Case {
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {"/s " + Quote(bad), bad + ":4: bad dword data"},
      {"/s " + Quote(dir_ + "/missing.reg"), "cannot read " + dir_ + "/missing.reg"},
      {"/e " + Quote(dir_ + "/no/such/dir/x.reg") + " HKEY_CURRENT_USER",
       "cannot write " + dir_ + "/no/such/dir/x.reg"},
      {"/e " + Quote(dir_ + "/x.reg") + " 'HKEY_CURRENT_USER\\Nothing'", "key not found"},
      {"/e 'Q:\\x.reg'", "cannot write Q:\\x.reg maps to no folder"},
  };
  for (const Case& c : cases) {
    const Outcome out = Run(c.args);
    EXPECT_EQ(out.status, 1) << c.args;
    EXPECT_EQ(out.err.rfind("clarivo-regedit: ", 0), 0u) << out.err;
    EXPECT_NE(out.err.find(c.message), std::string::npos) << out.err;
    EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
  }
  EXPECT_EQ(ReadFile(prefix_ + "/system.reg"), system_before);
  EXPECT_NE(access((dir_ + "/x.reg").c_str(), F_OK), 0) << "a failed export left a file";

  setenv("CLARIVO_REGISTRY", ("wine:" + dir_ + "/nowhere").c_str(), 1);
  Outcome out = Run("/e " + Quote(dir_ + "/x.reg"));
  EXPECT_EQ(out.status, 1);
  EXPECT_NE(out.err.find("no Wine prefix at " + dir_ + "/nowhere"), std::string::npos) << out.err;
  setenv("CLARIVO_REGISTRY", "hive:/mnt", 1);
  out = Run("/e " + Quote(dir_ + "/x.reg"));
  EXPECT_EQ(out.status, 1);
  EXPECT_EQ(out.err, "clarivo-regedit: offline Windows installations (hive:) are not supported yet\n");
}

TEST_F(RegeditTool, RefusesToImportWhileAWineserverRuns) {
  // Hold the lock file a running wineserver holds for this prefix.
  const std::string lock = platform::WineserverLockPath(prefix_);
  ASSERT_FALSE(lock.empty());
  ASSERT_EQ(std::system(("mkdir -p " + Quote(lock.substr(0, lock.rfind('/')))).c_str()), 0);
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  ASSERT_EQ(fcntl(fd, F_SETLK, &fl), 0);

  const std::string file = dir_ + "/change.reg";
  WriteFile(file, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n");
  const std::string user_before = ReadFile(prefix_ + "/user.reg");
  Outcome out = Run("/s " + Quote(file));
  EXPECT_EQ(out.status, 1);
  EXPECT_NE(out.err.find("a wineserver is running for this prefix"), std::string::npos) << out.err;
  EXPECT_EQ(ReadFile(prefix_ + "/user.reg"), user_before);
  // Exporting still works, with a warning.
  out = Run("/e " + Quote(dir_ + "/x.reg"));
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(
      out.err,
      "clarivo-regedit: warning: a wineserver is running for this prefix; what was read may be stale and "
      "changes cannot be saved\n");

  close(fd);
  std::system(("rm -rf " + Quote(lock.substr(0, lock.rfind('/')))).c_str());
}

TEST_F(RegeditTool, AnExportReadsTheFileOfItsRootAndTellsWhereThatFileIsBroken) {
  const std::string broken = "WINE REGISTRY Version 2\n\n[Broken] 1\n\"v\"=dword:xyz\n";
  const std::string user = ReadFile(prefix_ + "/user.reg");
  WriteFile(prefix_ + "/user.reg", broken);
  const std::string file = dir_ + "/out.reg";
  Outcome out = Run("/e " + Quote(file) + " HKLM");
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_NE(Utf16Text(ReadFile(file)).find("\"Count\"=dword:00000003"), std::string::npos);
  for (const char* key : {" HKEY_CURRENT_USER", " 'HKCU\\Software'", " HKEY_CLASSES_ROOT", ""}) {
    out = Run("/e " + Quote(dir_ + "/no.reg") + key);
    EXPECT_EQ(out.status, 1) << key;
    EXPECT_NE(out.err.find("user.reg line 4: bad dword"), std::string::npos) << key << out.err;
  }
  EXPECT_NE(Run("/s " + Quote(file)).status, 0) << "an import reads both files";

  WriteFile(prefix_ + "/user.reg", user);
  WriteFile(prefix_ + "/system.reg", broken);
  out = Run("/e " + Quote(file) + " 'HKEY_CURRENT_USER\\Software'");
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_NE(Utf16Text(ReadFile(file)).find("\"a\"=\"b\""), std::string::npos);
  out = Run("/e " + Quote(dir_ + "/no.reg") + " HKEY_LOCAL_MACHINE");
  EXPECT_EQ(out.status, 1);
  EXPECT_NE(out.err.find("system.reg line 4: bad dword"), std::string::npos) << out.err;
  EXPECT_NE(access((dir_ + "/no.reg").c_str(), F_OK), 0);
}

TEST_F(RegeditTool, UsageAndHelp) {
  EXPECT_EQ(Run("--help").status, 0);
  EXPECT_EQ(Run("").status, 2);
  EXPECT_EQ(Run("/x file").status, 2);
  EXPECT_EQ(Run("/e").status, 2);
  EXPECT_EQ(Run("/e a b c").status, 2);
}

}  // namespace
