#include "platform/wine_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/wineserver_lock.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

const char kSystem[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Classes\\\\.txt] 1796701245\n"
    "#time=1dd86c5e82149cc\n"
    "@=\"txtfile\"\n"
    "\n"
    "[Software\\\\Classes\\\\txtfile\\\\shell\\\\open\\\\command] 1796701245\n"
    "#time=1dd86c5e81ec170\n"
    "@=\"C:\\\\windows\\\\notepad.exe %1\"\n"
    "\n"
    "[Software\\\\Vendor] 1796701245\n"
    "#time=1dd86c5e81ed44e\n"
    "\"Path\"=\"C:\\\\x\"\n";

const char kUser[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Environment] 1796701245\n"
    "#time=1dd86c5e86c95f8\n"
    "\"TEMP\"=str(2):\"%USERPROFILE%\\\\Temp\"\n";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class WineRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/clarivo-wine-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    WriteFile(dir_ + "/system.reg", kSystem);
    WriteFile(dir_ + "/user.reg", kUser);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    if (!server_dir_.empty()) fs::remove_all(server_dir_);
  }
  std::unique_ptr<WineRegistry> Open() {
    std::string error;
    auto reg = WineRegistry::Open(dir_, &error);
    EXPECT_TRUE(reg) << error;
    return reg;
  }
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string dir_;
  std::string server_dir_;
};

TEST_F(WineRegistryTest, OpenReportsMissingPrefixesAndBrokenFiles) {
  std::string error;
  EXPECT_EQ(WineRegistry::Open(dir_ + "/nowhere", &error), nullptr);
  EXPECT_EQ(error, "no Wine prefix at " + dir_ + "/nowhere (system.reg not found)");

  WriteFile(dir_ + "/user.reg", std::string(kUser) + "\"Broken\"=\"no end\n");
  EXPECT_EQ(WineRegistry::Open(dir_, &error), nullptr);
  EXPECT_EQ(error, "user.reg line 9: unterminated string");
  WriteFile(dir_ + "/system.reg", "WINE REGISTRY Version 2\n\n[A] 1\n\"x\"=hex:0g\n");
  EXPECT_EQ(WineRegistry::Open(dir_, &error), nullptr);
  EXPECT_EQ(error, "system.reg line 4: bad hex data");
}

// system.reg is parsed in two parts on two threads: what comes of it must be
// what one read gives, down to the blocks written back and the error lines.
TEST_F(WineRegistryTest, SystemFileReadInPartsOpensAsOneRead) {
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
  char line[128];
  for (int i = 0; i < 400; ++i) {
    std::snprintf(line, sizeof line, "\n[Software\\\\K%03d] 1796701245\n\"v\"=dword:%08x\n", i, i);
    text += line;
  }
  // The first key again, after any cut: its value replaced, one added.
  text += "\n[Software\\\\K000] 1796701245\n\"v\"=dword:000000ff\n\"w\"=\"x\"\n";
  WriteFile(dir_ + "/system.reg", text);
  {
    auto reg = Open();
    ASSERT_TRUE(reg);
    RegKey key = 0;
    ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\K000", &key), kRegOk);
    RegValue v;
    ASSERT_EQ(reg->QueryValue(key, u"v", &v), kRegOk);
    EXPECT_EQ(v, MakeDword(255));
    ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\K399", &key), kRegOk);
    ASSERT_EQ(reg->SetValue(key, u"Added", MakeDword(3)), kRegOk);
    ASSERT_EQ(reg->Flush(), kRegOk);
  }
  const std::string written = ReadFile(dir_ + "/system.reg");
  // Untouched blocks are copied; the key of two blocks is written anew as one.
  EXPECT_NE(written.find("\n[Software\\\\K200] 1796701245\n\"v\"=dword:000000c8\n"), std::string::npos);
  EXPECT_NE(written.find("\"v\"=dword:000000ff\n\"w\"=\"x\"\n"), std::string::npos) << written;
  EXPECT_EQ(written.find("\"v\"=dword:00000000\n"), std::string::npos);

  // A fault late in the file is told with its line in the whole file.
  WriteFile(dir_ + "/system.reg", text + "\n[Software\\\\Last] 1\nstray\n");
  std::string error;
  EXPECT_EQ(WineRegistry::Open(dir_, &error), nullptr);
  EXPECT_EQ(error, "system.reg line " + std::to_string(4 + 400 * 3 + 4 + 3) + ": unexpected text");
}

TEST_F(WineRegistryTest, FlushRewritesOnlyChangedFilesAtomically) {
  ASSERT_EQ(chmod((dir_ + "/system.reg").c_str(), 0600), 0);
  struct stat user_before;
  ASSERT_EQ(stat((dir_ + "/user.reg").c_str(), &user_before), 0);
  {
    auto reg = Open();
    ASSERT_TRUE(reg);
    EXPECT_EQ(reg->prefix(), dir_);
    EXPECT_FALSE(reg->ServerRunning());
    EXPECT_EQ(reg->Flush(), kRegOk);  // nothing pending: nothing written
    ASSERT_EQ(reg->DeleteTree(kClassesRoot, u"txtfile"), kRegOk);
    RegKey key = 0;
    ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Vendor", &key), kRegOk);
    ASSERT_EQ(reg->SetValue(key, u"Added", MakeDword(3)), kRegOk);
    std::time_t before = std::time(nullptr);
    ASSERT_EQ(reg->Flush(), kRegOk);
    EXPECT_EQ(Files(), (std::vector<std::string>{"system.reg", "user.reg"}));

    std::string text = ReadFile(dir_ + "/system.reg");
    EXPECT_NE(text.find("[Software\\\\Classes\\\\.txt] 1796701245\n#time=1dd86c5e82149cc\n@=\"txtfile\"\n"),
              std::string::npos);
    EXPECT_EQ(text.find("txtfile\\\\shell"), std::string::npos);
    // The changed key carries the time of the change, as wineserver stamps it.
    std::size_t at = text.find("[Software\\\\Vendor] ");
    ASSERT_NE(at, std::string::npos);
    long seconds = std::atol(text.c_str() + at + 19);
    EXPECT_GE(seconds, before - 1);
    EXPECT_LE(seconds, std::time(nullptr) + 1);
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\x\"\n\"Added\"=dword:00000003\n"), std::string::npos) << text;
  }
  struct stat st;
  ASSERT_EQ(stat((dir_ + "/system.reg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(stat((dir_ + "/user.reg").c_str(), &st), 0);
  EXPECT_EQ(st.st_ino, user_before.st_ino);
  EXPECT_EQ(ReadFile(dir_ + "/user.reg"), kUser);

  auto again = Open();
  RegKey key = 0;
  EXPECT_EQ(again->OpenKey(kClassesRoot, u"txtfile", &key), kRegNotFound);
  ASSERT_EQ(again->OpenKey(kLocalMachine, u"Software\\Vendor", &key), kRegOk);
  RegValue v;
  ASSERT_EQ(again->QueryValue(key, u"Added", &v), kRegOk);
  EXPECT_EQ(v, MakeDword(3));
}

TEST_F(WineRegistryTest, MissingUserFileIsAnEmptyHiveCreatedOnWrite) {
  fs::remove(dir_ + "/user.reg");
  {
    auto reg = Open();
    ASSERT_TRUE(reg);
    std::uint32_t subkeys = 9;
    ASSERT_EQ(reg->QueryInfo(kCurrentUser, &subkeys, nullptr), kRegOk);
    EXPECT_EQ(subkeys, 0u);
    RegKey key = 0;
    ASSERT_EQ(reg->CreateKey(kCurrentUser, u"Software\\Mine", &key), kRegOk);
    ASSERT_EQ(reg->SetValue(key, u"", MakeSz(u"x")), kRegOk);
    // Not flushed: the pending change is written when the registry is closed.
  }
  std::string text = ReadFile(dir_ + "/user.reg");
  EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n;; All keys relative to "
                       "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n[Software\\\\Mine] ",
                       0),
            0u)
      << text;
  auto again = Open();
  RegKey key = 0;
  EXPECT_EQ(again->OpenKey(kCurrentUser, u"software\\mine", &key), kRegOk);
}

TEST_F(WineRegistryTest, FailedSaveIsReportedAndKeepsChangesPending) {
  auto reg = Open();
  ASSERT_TRUE(reg);
  ASSERT_EQ(reg->DeleteTree(kLocalMachine, u"Software\\Vendor"), kRegOk);
  fs::remove_all(dir_);
  EXPECT_EQ(reg->Flush(), kRegWriteFault);
  EXPECT_NE(reg->last_error().find("system.reg"), std::string::npos) << reg->last_error();
  fs::create_directory(dir_);
  EXPECT_EQ(reg->Flush(), kRegOk);
  EXPECT_EQ(Files(), std::vector<std::string>{"system.reg"});
  EXPECT_EQ(ReadFile(dir_ + "/system.reg").find("Vendor"), std::string::npos);
}

// Holds a write lock on `path` in a child process until `release` is written to.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path) {
    int up[2], down[2];
    if (pipe(up) != 0 || pipe(down) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);
      int fd = open(path.c_str(), O_RDWR | O_CREAT, 0600);
      struct flock fl = {};
      fl.l_type = F_WRLCK;
      fl.l_whence = SEEK_SET;
      char ok = (fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0) ? 'y' : 'n';
      if (write(up[1], &ok, 1) != 1) _exit(1);
      char c;
      while (read(down[0], &c, 1) > 0) {
      }
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    release_ = down[1];
    char ok = 'n';
    locked_ = read(up[0], &ok, 1) == 1 && ok == 'y';
    close(up[0]);
  }
  ~LockHolder() { Release(); }
  void Release() {
    if (release_ >= 0) close(release_);
    release_ = -1;
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  bool locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

TEST_F(WineRegistryTest, RefusesChangesWhileAWineserverHoldsItsLock) {
  server_dir_ = "/tmp/" + fs::path(dir_).filename().string() + "-server";
  WriteFile(dir_ + "/wineserver", fs::path(server_dir_).filename().string() + "\n");
  struct stat st;
  ASSERT_EQ(stat(dir_.c_str(), &st), 0);
  char sub[64];
  std::snprintf(sub, sizeof sub, "/server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  EXPECT_EQ(WineserverLockPath(dir_), server_dir_ + sub + "/lock");
  fs::create_directories(server_dir_ + sub);

  auto reg = Open();
  ASSERT_TRUE(reg);
  RegKey key = 0;
  ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Vendor", &key), kRegOk);
  ASSERT_EQ(reg->SetValue(key, u"Before", MakeDword(1)), kRegOk);
  {
    LockHolder server(server_dir_ + sub + "/lock");
    ASSERT_TRUE(server.locked());
    EXPECT_TRUE(reg->ServerRunning());
    EXPECT_EQ(reg->SetValue(key, u"During", MakeDword(2)), kRegAccessDenied);
    EXPECT_EQ(reg->DeleteValue(key, u"Path"), kRegAccessDenied);
    EXPECT_EQ(reg->DeleteTree(kClassesRoot, u".txt"), kRegAccessDenied);
    RegKey created = 0;
    EXPECT_EQ(reg->CreateKey(kCurrentUser, u"New", &created), kRegAccessDenied);
    EXPECT_EQ(reg->Flush(), kRegAccessDenied);
    // Reading goes on.
    RegValue v;
    EXPECT_EQ(reg->QueryValue(key, u"Path", &v), kRegOk);
  }
  EXPECT_FALSE(reg->ServerRunning());
  EXPECT_EQ(reg->SetValue(key, u"After", MakeDword(3)), kRegOk);
  EXPECT_EQ(reg->Flush(), kRegOk);
  std::string text = ReadFile(dir_ + "/system.reg");
  EXPECT_NE(text.find("\"Before\"=dword:00000001\n\"After\"=dword:00000003\n"), std::string::npos) << text;
}

TEST_F(WineRegistryTest, ReloadsFilesChangedOnDiskUnlessChangesArePending) {
  auto reg = Open();
  ASSERT_TRUE(reg);
  RegKey vendor = 0;
  ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Vendor", &vendor), kRegOk);

  // Another program (an import) writes the file.
  WriteFile(dir_ + "/system.reg",
            std::string(kSystem) + "\n[Software\\\\Imported] 1796701245\n\"v\"=dword:00000001\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  RegKey imported = 0;
  EXPECT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Imported", &imported), kRegOk);
  std::uint32_t n = 0;
  EXPECT_EQ(reg->QueryInfo(vendor, &n, nullptr), kRegNotFound);  // handles from before the reload

  // With a change of ours pending, the file on disk does not replace it.
  ASSERT_EQ(reg->SetValue(imported, u"mine", MakeDword(5)), kRegOk);
  WriteFile(dir_ + "/system.reg", kSystem);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Imported", &imported), kRegOk);
  ASSERT_EQ(reg->Flush(), kRegOk);
  EXPECT_NE(ReadFile(dir_ + "/system.reg").find("\"mine\"=dword:00000005"), std::string::npos);

  // A broken file keeps what was read before.
  WriteFile(dir_ + "/system.reg", "WINE REGISTRY Version 2\n[X] 1\n\"a\"=\"\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Imported", &imported), kRegOk);
  EXPECT_EQ(reg->last_error(), "system.reg line 3: unterminated string");
}

std::string RunShell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

// Against a prefix made by Wine itself: Wine must read back what we write.
class RealWinePrefixTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (RunShell("command -v wine; command -v wineserver").find("wineserver") == std::string::npos) return;
    char tmpl[] = "/tmp/clarivo-wine-prefix-XXXXXX";
    if (!mkdtemp(tmpl)) return;
    prefix_ = tmpl;
    RunShell(Env() + "wine wineboot --init >/dev/null 2>&1; " + Env() + "wineserver -w");
  }
  static void TearDownTestSuite() {
    if (prefix_.empty()) return;
    RunShell(Env() + "wineserver -k >/dev/null 2>&1; " + Env() + "wineserver -w");
    fs::remove_all(prefix_);
  }
  void SetUp() override {
    if (prefix_.empty()) GTEST_SKIP() << "wine is not installed: the real-prefix checks are skipped";
    if (!fs::exists(prefix_ + "/system.reg")) GTEST_SKIP() << "wineboot made no prefix";
  }
  static std::string Env() { return "WINEPREFIX='" + prefix_ + "' WINEDEBUG=-all "; }
  static std::string prefix_;
};
std::string RealWinePrefixTest::prefix_;

TEST_F(RealWinePrefixTest, WineReadsWhatWeWriteAndItsServerLocksUsOut) {
  const std::string system_before = ReadFile(prefix_ + "/system.reg");
  const std::string user_before = ReadFile(prefix_ + "/user.reg");
  {
    std::string error;
    auto reg = WineRegistry::Open(prefix_, &error);
    ASSERT_TRUE(reg) << error;
    std::uint32_t classes = 0;
    ASSERT_EQ(reg->QueryInfo(kClassesRoot, &classes, nullptr), kRegOk);
    EXPECT_GT(classes, 100u);
    RegKey key = 0;
    ASSERT_EQ(reg->CreateKey(kCurrentUser, u"Software\\ClarivoCheck", &key), kRegOk);
    ASSERT_EQ(reg->SetValue(key, u"text", MakeSz(u"a\"b\\c")), kRegOk);
    ASSERT_EQ(reg->SetValue(key, u"multi", MakeSz(std::u16string(u"one\0two\0", 8), kRegMultiSz)), kRegOk);
    ASSERT_EQ(reg->SetValue(key, u"number", MakeDword(0xdeadbeef)), kRegOk);
    ASSERT_EQ(reg->Flush(), kRegOk);
  }
  // Only the new key was added; everything else is as Wine wrote it.
  EXPECT_EQ(ReadFile(prefix_ + "/system.reg"), system_before);
  std::string user_after = ReadFile(prefix_ + "/user.reg");
  std::size_t at = user_after.find("\n[Software\\\\ClarivoCheck] ");
  ASSERT_NE(at, std::string::npos);
  std::size_t end = user_after.find("\n\n", at + 1);
  EXPECT_EQ(user_after.substr(0, at) + (end == std::string::npos ? "" : user_after.substr(end + 1)),
            user_before);

  std::string query = RunShell(Env() + "wine reg query 'HKCU\\Software\\ClarivoCheck' 2>&1");
  EXPECT_NE(query.find("text    REG_SZ    a\"b\\c"), std::string::npos) << query;
  EXPECT_NE(query.find("multi    REG_MULTI_SZ    one\\0two"), std::string::npos) << query;
  EXPECT_NE(query.find("number    REG_DWORD    0xdeadbeef"), std::string::npos) << query;

  // The query left a server running (it lingers a few seconds): writes are refused meanwhile.
  RunShell(Env() + "wineserver -p 30");
  std::string error;
  auto reg = WineRegistry::Open(prefix_, &error);
  ASSERT_TRUE(reg) << error;
  EXPECT_TRUE(reg->ServerRunning());
  EXPECT_EQ(reg->DeleteTree(kCurrentUser, u"Software\\ClarivoCheck"), kRegAccessDenied);
  RunShell(Env() + "wineserver -k; " + Env() + "wineserver -w");
  EXPECT_FALSE(reg->ServerRunning());
  EXPECT_EQ(reg->DeleteTree(kCurrentUser, u"Software\\ClarivoCheck"), kRegOk);
}

}  // namespace
}  // namespace platform
