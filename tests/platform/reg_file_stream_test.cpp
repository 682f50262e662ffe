// .reg exports written piece by piece: the same bytes whichever way the keys
// are walked and wherever the pieces end, and on any failure or interruption
// part way through the old file stays and no temporary is left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/forwarding_registry.h"
#include "platform/atomic_write.h"
#include "platform/memory_registry.h"
#include "platform/reg_file.h"
#include "platform/text.h"
#include "platform/wine_registry.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void Set(Registry& registry, RegKey root, std::u16string_view path, std::u16string_view name,
         const RegValue& value) {
  RegKey key = 0;
  ASSERT_EQ(registry.CreateKey(root, path, &key), kRegOk);
  ASSERT_EQ(registry.SetValue(key, name, value), kRegOk);
  registry.CloseKey(key);
}

RegValue Bytes(std::uint32_t type, std::vector<std::uint8_t> data) { return RegValue{type, std::move(data)}; }

// Values of every shape the writer treats apart, big ones crossing many
// pieces of output, thousands of keys, and links (to the other root, to
// nowhere, and HKEY_CLASSES_ROOT through one).
void Fill(MemoryRegistry& registry, int keys) {
  std::vector<std::uint8_t> big(1'500'000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
  Set(registry, kLocalMachine, u"Software\\Big", u"binary", Bytes(kRegBinary, big));
  std::u16string quotes;
  for (int i = 0; i < 700'000; ++i) quotes.push_back(i % 3 == 0 ? u'"' : (i % 3 == 1 ? u'\\' : u'\xe9'));
  Set(registry, kLocalMachine, u"Software\\Big", u"escaped", MakeSz(quotes));
  Set(registry, kLocalMachine, u"Software\\Big", std::u16string(300'000, u'\\') + u"\r\n\"",
      MakeSz(u"long name"));
  Set(registry, kLocalMachine, u"Software\\Big", u"odd multi", Bytes(kRegMultiSz, big));
  const std::pair<std::u16string, RegValue> shapes[] = {
      {u"", MakeSz(u"default")},
      {u"plain", MakeSz(u"C:\\Program Files\\\"x\"")},
      {u"empty sz", Bytes(kRegSz, {})},
      {u"odd sz", Bytes(kRegSz, {'a', 0, 'b'})},
      {u"nul inside", Bytes(kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0})},
      {u"line\nbreak sz", MakeSz(u"one\r\ntwo")},
      {u"dword", MakeDword(0xdeadbeef)},
      {u"short dword", Bytes(kRegDword, {1, 2, 3})},
      {u"expand", MakeSz(u"%TEMP%\\x", kRegExpandSz)},
      {u"qword", Bytes(kRegQword, {1, 2, 3, 4, 5, 6, 7, 8})},
      {u"none", Bytes(kRegNone, {})},
      {u"odd type", Bytes(0x12345678, {0xff})},
      {u"type ten", Bytes(0x10, {0, 1})},
  };
  for (int i = 0; i < keys; ++i) {
    const std::u16string path =
        u"Software\\Vendor " + ToUtf16(std::to_string(i % 37)) + u"\\App " + ToUtf16(std::to_string(i));
    for (const auto& [name, value] : shapes) Set(registry, kLocalMachine, path, name, value);
    Set(registry, kCurrentUser, u"Software\\" + path, u"n", MakeDword(static_cast<std::uint32_t>(i)));
  }
  Set(registry, kLocalMachine, u"Software\\RealClasses\\.txt", u"", MakeSz(u"txtfile"));
  ASSERT_EQ(
      registry.CreateLink(kLocalMachine, u"Software\\Classes", u"\\Registry\\Machine\\Software\\RealClasses"),
      kRegOk);
  ASSERT_EQ(
      registry.CreateLink(kLocalMachine, u"Software\\ToUser", u"\\Registry\\User\\S-1-5-21-1\\Software"),
      kRegOk);
  ASSERT_EQ(registry.CreateLink(kLocalMachine, u"Software\\Dangling", u"\\Registry\\Machine\\Nothing"),
            kRegOk);
}

class RegFileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/clarivo-regstream-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The bytes an export of `paths` must give, made in one piece.
  static std::string Expected(Registry& registry, const std::vector<std::u16string>& paths) {
    std::u16string text;
    std::string error;
    EXPECT_TRUE(FormatRegExport(registry, paths, &text, &error)) << error;
    return EncodeUtf16File(text);
  }

  fs::path dir_;
};

TEST_F(RegFileStreamTest, StreamedExportIsTheSameWhicheverWayTheKeysAreWalked) {
  MemoryRegistry source;
  Fill(source, 3000);
  ForwardingRegistry generic(source);
  const std::vector<std::vector<std::u16string>> exports = {
      {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"},
      {u"HKEY_CLASSES_ROOT"},
      {u"HKLM\\Software\\ToUser", u"HKLM\\Software\\Big"},
  };
  for (const auto& paths : exports) {
    const std::string expected = Expected(generic, paths);
    EXPECT_EQ(Expected(source, paths), expected) << ToUtf8(paths[0]);
    std::string error;
    const std::string file = (dir_ / "out.reg").string();
    ASSERT_TRUE(ExportRegFile(source, paths, file, &error)) << error;
    EXPECT_TRUE(ReadFile(file) == expected) << ToUtf8(paths[0]);
    ASSERT_TRUE(ExportRegFile(generic, paths, file, &error)) << error;
    EXPECT_TRUE(ReadFile(file) == expected) << ToUtf8(paths[0]);
  }
  EXPECT_EQ(source.OpenHandleCount(), 0u);
  // Types of several hex digits, as "%x" writes them.
  const std::string app = Expected(source, {u"HKLM\\Software\\Vendor 1\\App 1"});
  for (const std::u16string line :
       {u"\"type ten\"=hex(10):00,01\r\n", u"\"odd type\"=hex(12345678):ff\r\n"}) {
    EXPECT_NE(app.find(EncodeUtf16File(line).substr(2)), std::string::npos) << ToUtf8(line);
  }
  // Many pieces of output, and what they hold reads back into the same keys.
  const std::string file = (dir_ / "all.reg").string();
  std::string error;
  ASSERT_TRUE(ExportRegFile(source, {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"}, file, &error)) << error;
  EXPECT_GT(fs::file_size(file), 20u << 20);
  MemoryRegistry copy;
  ASSERT_TRUE(ImportRegFile(copy, file, &error)) << error;
  EXPECT_TRUE(Expected(copy, {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"}) == ReadFile(file));
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"all.reg", "out.reg"}));
}

TEST_F(RegFileStreamTest, AnExportFailingPartWayKeepsTheOldFileAndLeavesNoTemporary) {
  MemoryRegistry source;
  Fill(source, 300);
  // Ordered after megabytes of output: the failure comes late in the walk.
  Set(source, kLocalMachine, u"Software\\zz\nlast", u"v", MakeSz(u"x"));
  ForwardingRegistry generic(source);
  const std::string file = (dir_ / "backup.reg").string();
  std::ofstream(file) << "old backup";
  for (Registry* registry : {static_cast<Registry*>(&source), static_cast<Registry*>(&generic)}) {
    std::string error;
    EXPECT_FALSE(ExportRegFile(*registry, {u"HKEY_LOCAL_MACHINE"}, file, &error));
    EXPECT_EQ(error,
              "cannot export the key \"HKEY_LOCAL_MACHINE\\Software\\zz\\nlast\": its name holds a "
              "line break, which a .reg file cannot carry");
    EXPECT_EQ(ReadFile(file), "old backup");
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"backup.reg"});
  }
  EXPECT_EQ(source.OpenHandleCount(), 0u);

  // A write failing part way (the file size limit) is told with its reason.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{3 << 20, 3 << 20};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    const bool ok = ExportRegFile(source, {u"HKEY_LOCAL_MACHINE"}, (dir_ / "big.reg").string(), &error);
    const bool told = error == "cannot write " + (dir_ / "big.reg").string() + ": File too large";
    _exit(!ok && told ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"backup.reg"});
}

// Children exporting the same registry to one file, again and again.
pid_t StartExporter(MemoryRegistry& source, const std::string& file, int rounds) {
  const pid_t child = fork();
  if (child != 0) return child;
  for (int i = 0; i < rounds; ++i) {
    std::string error;
    if (!ExportRegFile(source, {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"}, file, &error)) _exit(1);
  }
  _exit(0);
}

TEST_F(RegFileStreamTest, InterruptedOrConcurrentExportsLeaveOneWholeFile) {
  MemoryRegistry source;
  Fill(source, 1000);
  const std::string expected = Expected(source, {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"});
  const std::string file = (dir_ / "backup.reg").string();
  std::string error;
  ASSERT_TRUE(ExportRegFile(source, {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"}, file, &error)) << error;

  for (const int signal_number : {SIGINT, SIGTERM, SIGKILL}) {
    for (const int delay_ms : {3, 30, 90}) {
      const pid_t child = StartExporter(source, file, 1000);
      ASSERT_GT(child, 0);
      usleep(static_cast<useconds_t>(delay_ms) * 1000);
      kill(child, signal_number);
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
      // SIGKILL between naming and renaming may leave a whole temporary,
      // which the next save beside it removes; the others leave nothing.
      if (signal_number == SIGKILL) RemoveStaleTemporaries(file);
      EXPECT_EQ(Names(dir_), std::vector<std::string>{"backup.reg"}) << signal_number << " " << delay_ms;
      EXPECT_TRUE(ReadFile(file) == expected) << signal_number << " " << delay_ms;
    }
  }

  const pid_t first = StartExporter(source, file, 3);
  const pid_t second = StartExporter(source, file, 3);
  for (const pid_t child : {first, second}) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"backup.reg"});
  EXPECT_TRUE(ReadFile(file) == expected);
}

// ---- A Wine registry read for one root only ----

std::string LinkHex(std::u16string_view target) {
  std::string hex;
  static constexpr char kDigits[] = "0123456789abcdef";
  for (char16_t c : target) {
    for (int byte : {c & 0xFF, c >> 8}) {
      hex += hex.empty() ? "" : ",";
      hex += kDigits[byte >> 4];
      hex += kDigits[byte & 15];
    }
  }
  return hex;
}

const std::string kSystem =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
    "[Software\\\\Vendor] 1796701245\n\"Path\"=\"C:\\\\x\"\n\n"
    "[Software\\\\ToUser] 1796701245\n#link\n\"SymbolicLinkValue\"=hex(6):" +
    LinkHex(u"\\Registry\\User\\S-1-5-21-0-0-0-1000\\Environment") + "\n";
const std::string kUser =
    "WINE REGISTRY Version 2\n;; All keys relative to "
    "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
    "[Environment] 1796701245\n\"TEMP\"=str(2):\"%USERPROFILE%\\\\Temp\"\n";
const std::string kBroken =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n[Broken] 1\n\"v\"=dword:xyz\n";

class WineRegistryOneRootTest : public RegFileStreamTest {
 protected:
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }
  std::string Export(Registry& registry, const std::vector<std::u16string>& paths, std::string* error) {
    const std::string file = (dir_ / "out.reg").string();
    fs::remove(file);
    return ExportRegFile(registry, paths, file, error) ? ReadFile(file) : "(failed)";
  }
};

TEST_F(WineRegistryOneRootTest, ReadsTheOtherFileOnlyWhenALinkLeadsIntoIt) {
  Write("system.reg", kSystem);
  Write("user.reg", kUser);
  std::string error;
  auto full = WineRegistry::Open(dir_.string(), &error);
  ASSERT_TRUE(full) << error;
  for (const RegKey root : {kLocalMachine, kCurrentUser}) {
    auto one = WineRegistry::Open(dir_.string(), &error, root);
    ASSERT_TRUE(one) << error;
    for (const char16_t* path : {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER", u"HKEY_CLASSES_ROOT"}) {
      std::string full_error, one_error;
      EXPECT_EQ(Export(*one, {path}, &one_error), Export(*full, {path}, &full_error)) << ToUtf8(path);
      EXPECT_EQ(one_error, full_error);
    }
    // Read-only: nothing it did not read can be written back as empty.
    RegKey key = 0;
    EXPECT_EQ(one->CreateKey(kCurrentUser, u"Software\\New", &key), kRegAccessDenied);
    EXPECT_EQ(one->SetValue(kLocalMachine, u"x", MakeDword(1)), kRegAccessDenied);
    EXPECT_EQ(one->DeleteTree(kLocalMachine, u"Software\\Vendor"), kRegAccessDenied);
  }
  EXPECT_EQ(ReadFile(dir_ / "system.reg"), kSystem);
  EXPECT_EQ(ReadFile(dir_ / "user.reg"), kUser);

  // A broken user.reg does not stop an export of HKEY_LOCAL_MACHINE\Software\Vendor,
  // but a link into it fails the export, naming the file and line.
  Write("user.reg", kBroken);
  EXPECT_FALSE(WineRegistry::Open(dir_.string(), &error));
  const std::string user_error = error;
  EXPECT_NE(user_error.find("user.reg line 5:"), std::string::npos) << user_error;
  auto machine = WineRegistry::Open(dir_.string(), &error, kLocalMachine);
  ASSERT_TRUE(machine) << error;
  error.clear();
  EXPECT_NE(Export(*machine, {u"HKLM\\Software\\Vendor"}, &error), "(failed)") << error;
  EXPECT_EQ(Export(*machine, {u"HKEY_LOCAL_MACHINE"}, &error), "(failed)");
  EXPECT_EQ(error, user_error);
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"system.reg", "user.reg"}));

  // And the other way round: the file that is needed is told when broken.
  Write("user.reg", kUser);
  Write("system.reg", kBroken);
  EXPECT_FALSE(WineRegistry::Open(dir_.string(), &error, kLocalMachine));
  EXPECT_NE(error.find("system.reg line 5:"), std::string::npos) << error;
  auto user = WineRegistry::Open(dir_.string(), &error, kCurrentUser);
  ASSERT_TRUE(user) << error;
  EXPECT_NE(Export(*user, {u"HKEY_CURRENT_USER"}, &error), "(failed)") << error;
}

}  // namespace
}  // namespace platform
