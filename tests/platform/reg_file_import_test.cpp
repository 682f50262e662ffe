// Importing .reg files as restores do: files read in pieces and applied as
// they are read, all of them or none, and keys whose values come back
// unchanged written back as they stood.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/memory_registry.h"
#include "platform/reg_file.h"
#include "platform/text.h"
#include "platform/wine_registry.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// UTF-16LE with BOM, as exports are written.
std::string Utf16(const std::string& ascii) { return EncodeUtf16File(ToUtf16(ascii)); }

std::int64_t ModifiedNs(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

const char kSystem[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    // No "#time" line and a spelling wineserver would not write: a block
    // written anew would differ.
    "[Software\\\\Kept] 1700000000\n"
    "\"Name\"=str(1):\"kept\"\n"
    "\"Number\"=dword:00000007\n"
    "\n"
    "[Software\\\\Vendor] 1700000000\n"
    "#time=1da5a3e3ac0a000\n"
    "\"Path\"=\"C:\\\\x\"\n"
    "\"Old\"=\"gone soon\"\n"
    "\n"
    "[Software\\\\Vendor\\\\Sub] 1700000000\n"
    "#time=1da5a3e3ac0a000\n"
    "\"A\"=dword:00000001\n";

const char kUser[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Environment] 1700000000\n"
    "#time=1da5a3e3ac0a000\n"
    "\"TEMP\"=str(2):\"%USERPROFILE%\\\\Temp\"\n";

class RegImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/clarivo-reg-import-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    prefix_ = dir_ + "/prefix";
    fs::create_directories(prefix_);
    WriteFile(prefix_ + "/system.reg", kSystem);
    WriteFile(prefix_ + "/user.reg", kUser);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::unique_ptr<WineRegistry> Open() {
    std::string error;
    auto reg = WineRegistry::Open(prefix_, &error);
    EXPECT_TRUE(reg) << error;
    return reg;
  }

  std::string dir_;
  std::string prefix_;
};

TEST_F(RegImportTest, ValuesSetToWhatTheyHoldChangeNothingRealChangesStillDo) {
  const std::string file = dir_ + "/restore.reg";
  WriteFile(file,
            Utf16("Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n"
                  "\"Name\"=\"kept\"\r\n"
                  "\"number\"=dword:00000007\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\r\n"
                  "\"Path\"=\"C:\\\\y\"\r\n"
                  "\"Old\"=-\r\n"
                  "\"New\"=hex:01,02\r\n\r\n"
                  "[-HKEY_LOCAL_MACHINE\\Software\\Vendor\\Sub]\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\Made\\Deeper]\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Environment]\r\n"
                  "\"TEMP\"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,00,\\\r\n"
                  "  45,00,25,00,5c,00,54,00,65,00,6d,00,70,00,00,00\r\n"));
  const std::int64_t user_before = ModifiedNs(prefix_ + "/user.reg");
  {
    auto reg = Open();
    ASSERT_TRUE(reg);
    std::string error;
    ASSERT_TRUE(ImportRegFiles(*reg, {file}, &error)) << error;
  }
  const std::string system = ReadFile(prefix_ + "/system.reg");
  // The unchanged key is copied as it stood, spelling and all.
  EXPECT_NE(
      system.find("[Software\\\\Kept] 1700000000\n\"Name\"=str(1):\"kept\"\n\"Number\"=dword:00000007\n"),
      std::string::npos)
      << system;
  // Nothing of HKEY_CURRENT_USER changed: its file was not even written.
  EXPECT_EQ(ModifiedNs(prefix_ + "/user.reg"), user_before);
  EXPECT_EQ(ReadFile(prefix_ + "/user.reg"), kUser);

  auto reg = Open();
  ASSERT_TRUE(reg);
  RegKey key = 0;
  ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Vendor", &key), kRegOk);
  RegValue value;
  ASSERT_EQ(reg->QueryValue(key, u"Path", &value), kRegOk);
  EXPECT_EQ(RegSzText(value), u"C:\\y");
  EXPECT_EQ(reg->QueryValue(key, u"Old", &value), kRegNotFound);
  ASSERT_EQ(reg->QueryValue(key, u"New", &value), kRegOk);
  EXPECT_EQ(value, (RegValue{kRegBinary, {1, 2}}));
  reg->CloseKey(key);
  EXPECT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Vendor\\Sub", &key), kRegNotFound);
  ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Vendor\\Made\\Deeper", &key), kRegOk);
  reg->CloseKey(key);
  // The changed key was written anew, with the time of the change.
  EXPECT_EQ(system.find("[Software\\\\Vendor] 1700000000\n"), std::string::npos) << system;
}

TEST_F(RegImportTest, SettingTheSameValueThroughTheRegistryLeavesTheFilesAlone) {
  const std::string system_before = ReadFile(prefix_ + "/system.reg");
  const std::int64_t modified = ModifiedNs(prefix_ + "/system.reg");
  auto reg = Open();
  ASSERT_TRUE(reg);
  RegKey key = 0;
  ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Kept", &key), kRegOk);
  EXPECT_EQ(reg->SetValue(key, u"NAME", MakeSz(u"kept")), kRegOk);
  EXPECT_EQ(reg->SetValue(key, u"Number", MakeDword(7)), kRegOk);
  ASSERT_EQ(reg->Flush(), kRegOk);
  EXPECT_EQ(ModifiedNs(prefix_ + "/system.reg"), modified);
  // Same bytes, other type: a change.
  EXPECT_EQ(reg->SetValue(key, u"Number", RegValue{kRegBinary, {7, 0, 0, 0}}), kRegOk);
  reg->CloseKey(key);
  ASSERT_EQ(reg->Flush(), kRegOk);
  const std::string system = ReadFile(prefix_ + "/system.reg");
  EXPECT_NE(system, system_before);
  EXPECT_NE(system.find("\"Number\"=hex:07,00,00,00\n"), std::string::npos) << system;
  // The name keeps the case it was stored with.
  EXPECT_NE(system.find("\"Name\"=\"kept\"\n"), std::string::npos) << system;
}

// Two files, each bigger than the pieces they are read in; the second one's
// very last line (without a line end) is malformed.
TEST_F(RegImportTest, AFaultAtTheEndOfTheLastFileImportsNothing) {
  std::string machine = "Windows Registry Editor Version 5.00\r\n\r\n";
  std::string user = machine;
  for (int i = 0; i < 40000; ++i) {
    const std::string n = std::to_string(i);
    machine += "[HKEY_LOCAL_MACHINE\\Software\\Bulk\\Key" + n + "]\r\n\"Value\"=\"" + n +
               std::string(40, 'm') + "\"\r\n\r\n";
    user += "[HKEY_CURRENT_USER\\Software\\Bulk\\Key" + n + "]\r\n\"Value\"=dword:" + std::to_string(i % 10) +
            "\r\n\"Other\"=hex:01,23,45,67,89,ab,cd,ef,01,23,45,67,89,ab,cd,ef,01,23,45,67\r\n\r\n";
  }
  const int last_line = static_cast<int>(std::count(user.begin(), user.end(), '\n')) + 1;
  user += "\"Broken\"=dword:xyz";
  const std::string first = dir_ + "/reg.reg";
  const std::string second = dir_ + "/reg_user.reg";
  WriteFile(first, Utf16(machine));
  WriteFile(second, Utf16(user));
  ASSERT_GT(fs::file_size(first), 4u << 20);
  ASSERT_GT(fs::file_size(second), 4u << 20);

  const std::string system_before = ReadFile(prefix_ + "/system.reg");
  const std::string user_before = ReadFile(prefix_ + "/user.reg");
  {
    auto reg = Open();
    ASSERT_TRUE(reg);
    std::string error;
    EXPECT_FALSE(ImportRegFiles(*reg, {first, second}, &error));
    EXPECT_EQ(error, second + ":" + std::to_string(last_line) + ": bad dword data");
    // Nothing stays behind in memory either, to be saved later.
    RegKey key = 0;
    EXPECT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Bulk", &key), kRegNotFound);
    EXPECT_EQ(reg->Flush(), kRegOk);
  }
  EXPECT_EQ(ReadFile(prefix_ + "/system.reg"), system_before);
  EXPECT_EQ(ReadFile(prefix_ + "/user.reg"), user_before);

  // A store that cannot drop changes checks every file before the first change.
  MemoryRegistry memory;
  std::string error;
  EXPECT_FALSE(ImportRegFiles(memory, {first, second}, &error));
  EXPECT_EQ(error, second + ":" + std::to_string(last_line) + ": bad dword data");
  EXPECT_EQ(memory.OpenHandleCount(), 0u);
  std::uint32_t subkeys = 1;
  ASSERT_EQ(memory.QueryInfo(kLocalMachine, &subkeys, nullptr), kRegOk);
  EXPECT_EQ(subkeys, 0u);

  // Mended, both files go in whole.
  user.resize(user.size() - 3);
  WriteFile(second, Utf16(user + "00000009\r\n"));
  {
    auto reg = Open();
    ASSERT_TRUE(reg);
    ASSERT_TRUE(ImportRegFiles(*reg, {first, second}, &error)) << error;
  }
  auto reg = Open();
  ASSERT_TRUE(reg);
  RegKey key = 0;
  ASSERT_EQ(reg->OpenKey(kLocalMachine, u"Software\\Bulk\\Key39999", &key), kRegOk);
  RegValue value;
  ASSERT_EQ(reg->QueryValue(key, u"Value", &value), kRegOk);
  EXPECT_EQ(RegSzText(value), u"39999" + std::u16string(40, u'm'));
  reg->CloseKey(key);
  ASSERT_EQ(reg->OpenKey(kCurrentUser, u"Software\\Bulk\\Key39999", &key), kRegOk);
  ASSERT_EQ(reg->QueryValue(key, u"Broken", &value), kRegOk);
  EXPECT_EQ(value, MakeDword(9));
  reg->CloseKey(key);
}

// A change the registry refuses and a fault of the file further on, each
// after a few thousand changes: the one that comes first in the file is told.
TEST_F(RegImportTest, TheFirstFaultInFileOrderIsTold) {
  // A link to a key that does not exist: nothing can be made below it.
  std::string link_target;
  for (char c : std::string("\\Registry\\Machine\\Software\\Nowhere")) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%s%02x,00", link_target.empty() ? "" : ",", static_cast<unsigned>(c));
    link_target += hex;
  }
  WriteFile(prefix_ + "/system.reg", std::string(kSystem) + "\n[Software\\\\Dangling] 1700000000\n#link\n" +
                                         "\"SymbolicLinkValue\"=hex(6):" + link_target + "\n");
  const std::string system_before = ReadFile(prefix_ + "/system.reg");
  std::string many;
  for (int i = 0; i < 6000; ++i)
    many += "[HKEY_CURRENT_USER\\Many\\K" + std::to_string(i) + "]\r\n\"v\"=dword:1\r\n";
  const int many_lines = 2 * 6000;
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string refused = "[HKEY_LOCAL_MACHINE\\Software\\Dangling\\Sub]\r\n";
  const std::string file = dir_ + "/order.reg";
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {head + many + refused + many + "junk\r\n",
       file + ":" + std::to_string(3 + many_lines) +
           ": cannot create key \"HKEY_LOCAL_MACHINE\\Software\\Dangling\\Sub\": not found (nothing was "
           "imported)"},
      {head + many + "junk\r\n" + refused,
       file + ":" + std::to_string(3 + many_lines) + ": unrecognised line"},
  };
  for (const Case& c : cases) {
    WriteFile(file, Utf16(c.text));
    auto reg = Open();
    ASSERT_TRUE(reg);
    std::string error;
    EXPECT_FALSE(ImportRegFiles(*reg, {file}, &error));
    EXPECT_EQ(error, c.error);
    RegKey key = 0;
    EXPECT_EQ(reg->OpenKey(kCurrentUser, u"Many", &key), kRegNotFound);
    EXPECT_EQ(reg->OpenHandleCount(), 0u);
  }
  EXPECT_EQ(ReadFile(prefix_ + "/system.reg"), system_before);
}

TEST_F(RegImportTest, AFileThatCannotBeOpenedStopsTheImportBeforeAnyChange) {
  const std::string good = dir_ + "/good.reg";
  WriteFile(good,
            Utf16("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n"));
  const std::string system_before = ReadFile(prefix_ + "/system.reg");
  auto reg = Open();
  ASSERT_TRUE(reg);
  std::string error;
  EXPECT_FALSE(ImportRegFiles(*reg, {good, dir_ + "/missing.reg"}, &error));
  EXPECT_EQ(error, "cannot read " + dir_ + "/missing.reg: No such file or directory");
  EXPECT_FALSE(ImportRegFiles(*reg, {good, dir_}, &error));
  EXPECT_EQ(error, "cannot read " + dir_ + ": Is a directory");
  RegKey key = 0;
  EXPECT_EQ(reg->OpenKey(kCurrentUser, u"Software\\New", &key), kRegNotFound);
  EXPECT_EQ(reg->OpenHandleCount(), 0u);
}

// Line ends may fall anywhere relative to the pieces a file is read in: a
// CR at the end of one and its LF at the start of the next is one line end,
// and a line may be longer than a piece.
TEST(RegFileLines, LineEndsAndLongLinesAcrossReadPieces) {
  char tmpl[] = "/tmp/clarivo-reg-lines-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Lines]\r\n";
  int lines = 3;
  int values = 0;
  // Values of every length from 1 to 600 in turn, so that over 4 MB every
  // unit of a piece is sometimes a CR, in CRLF, lone-CR and LF-only lines.
  const char* ends[] = {"\r\n", "\r", "\n"};
  for (int i = 0; text.size() < (std::size_t{9} << 20) / 2; ++i) {
    text += "\"v" + std::to_string(i) + "\"=\"" + std::string(1 + i % 600, 'x') + "\"" + ends[i % 3];
    ++lines;
    ++values;
  }
  // One value longer than any piece, then a comment line and one more value.
  std::string huge = "\"huge\"=hex:";
  for (int i = 0; i < 1200000; ++i) huge += i == 0 ? "ab" : ",ab";
  text += huge + "\r\n;comment\r\n\"after\"=dword:00000005\r\n";
  lines += 3;
  values += 2;

  const std::string file = dir + "/lines.reg";
  WriteFile(file, Utf16(text));
  // An odd byte at the end is no unit and is dropped.
  std::ofstream(file, std::ios::binary | std::ios::app) << 'z';
  MemoryRegistry registry;
  std::string error;
  ASSERT_TRUE(ImportRegFile(registry, file, &error)) << error;
  RegKey key = 0;
  ASSERT_EQ(registry.OpenKey(kCurrentUser, u"Lines", &key), kRegOk);
  std::uint32_t count = 0;
  ASSERT_EQ(registry.QueryInfo(key, nullptr, &count), kRegOk);
  EXPECT_EQ(count, static_cast<std::uint32_t>(values));
  RegValue value;
  ASSERT_EQ(registry.QueryValue(key, u"huge", &value), kRegOk);
  EXPECT_EQ(value.data, std::vector<std::uint8_t>(1200000, 0xab));
  ASSERT_EQ(registry.QueryValue(key, u"after", &value), kRegOk);
  EXPECT_EQ(value, MakeDword(5));
  ASSERT_EQ(registry.QueryValue(key, u"v599", &value), kRegOk);
  EXPECT_EQ(RegSzText(value), std::u16string(600, u'x'));
  registry.CloseKey(key);

  // The same text from memory and a fault on its last line: the line is
  // counted the same way.
  WriteFile(file, Utf16(text + "oops"));
  std::vector<RegFileOp> ops;
  EXPECT_FALSE(ParseRegFile(ReadFile(file), "mem.reg", &ops, &error));
  EXPECT_EQ(error, "mem.reg:" + std::to_string(lines + 1) + ": unrecognised line");
  MemoryRegistry untouched;
  EXPECT_FALSE(ImportRegFile(untouched, file, &error));
  EXPECT_EQ(error, file + ":" + std::to_string(lines + 1) + ": unrecognised line");
  EXPECT_EQ(untouched.OpenKey(kCurrentUser, u"Lines", &key), kRegNotFound);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace platform
