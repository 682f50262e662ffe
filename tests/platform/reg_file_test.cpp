#include "platform/reg_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/memory_registry.h"
#include "platform/text.h"

namespace platform {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string DataFile(const char* name) {
  return std::string(CLARIVO_SOURCE_DIR) + "/tests/platform/data/" + name;
}

RegValue Raw(std::uint32_t type, std::vector<std::uint8_t> data) { return RegValue{type, std::move(data)}; }

// A readable listing of a whole subtree: keys in order, values with type and bytes.
void Dump(Registry& registry, RegKey key, const std::string& name, std::string* out) {
  *out += "[" + name + "]\n";
  std::uint32_t subkeys = 0, values = 0;
  registry.QueryInfo(key, &subkeys, &values);
  for (std::uint32_t i = 0; i < values; ++i) {
    std::u16string value_name;
    RegValue value;
    ASSERT_EQ(registry.EnumValue(key, i, &value_name, &value), kRegOk);
    *out += " " + ToUtf8(value_name) + " t" + std::to_string(value.type) + ":";
    for (std::uint8_t b : value.data) *out += " " + std::to_string(b);
    *out += "\n";
  }
  for (std::uint32_t i = 0; i < subkeys; ++i) {
    std::u16string sub;
    ASSERT_EQ(registry.EnumKey(key, i, &sub), kRegOk);
    RegKey child = 0;
    ASSERT_EQ(registry.OpenKey(key, sub, &child), kRegOk);
    Dump(registry, child, name + "\\" + ToUtf8(sub), out);
    registry.CloseKey(child);
  }
}

std::string DumpPath(Registry& registry, RegKey root, std::u16string_view path) {
  RegKey key = 0;
  if (registry.OpenKey(root, path, &key) != kRegOk) return "<missing>";
  std::string out;
  Dump(registry, key, ToUtf8(path), &out);
  registry.CloseKey(key);
  return out;
}

bool Import(Registry& registry, std::string_view bytes, std::string* error) {
  std::vector<RegFileOp> ops;
  return ParseRegFile(bytes, "t.reg", &ops, error) && ApplyRegOps(registry, ops, "t.reg", error);
}

std::string Utf16File(std::u16string_view text) { return EncodeUtf16File(text); }

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/clarivo-regfile-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(RegFileExport, ReproducesWineRegeditByteForByte) {
  MemoryRegistry registry;
  const std::string wine_bytes = ReadBytes(DataFile("wine_export.reg"));
  ASSERT_GT(wine_bytes.size(), 100u);
  std::string error;
  ASSERT_TRUE(Import(registry, wine_bytes, &error)) << error;

  std::u16string text;
  ASSERT_TRUE(FormatRegExport(registry, {u"HKEY_CURRENT_USER\\Software\\ClarivoTest"}, &text, &error))
      << error;
  EXPECT_EQ(EncodeUtf16File(text), wine_bytes);

  // The source fed to Wine holds the same data in another value order.
  MemoryRegistry from_source;
  ASSERT_TRUE(Import(from_source, ReadBytes(DataFile("wine_export_source.reg")), &error)) << error;
  std::string a = DumpPath(registry, kCurrentUser, u"Software\\ClarivoTest");
  std::string b = DumpPath(from_source, kCurrentUser, u"Software\\ClarivoTest");
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
}

TEST(RegFileExport, WritesEachValueKindAsRegeditDoes) {
  MemoryRegistry registry;
  RegKey key = 0;
  ASSERT_EQ(registry.CreateKey(kLocalMachine, u"Software\\T", &key), kRegOk);
  registry.SetValue(key, u"", MakeSz(u"x"));
  registry.SetValue(key, u"a\"b\\c", MakeSz(u"C:\\dir\\"));
  registry.SetValue(key, u"d", MakeDword(0xABCDEF));
  // After "\"b23\"=hex:" (10 columns) 23 bytes fit; with a 24th the line
  // reaches 80 columns with its "\" and the rest continues below.
  registry.SetValue(key, u"b23", Raw(kRegBinary, std::vector<std::uint8_t>(23, 0x11)));
  registry.SetValue(key, u"b24", Raw(kRegBinary, std::vector<std::uint8_t>(24, 0x22)));
  registry.SetValue(key, u"e", MakeSz(u"%A%", kRegExpandSz));
  registry.SetValue(key, u"n", Raw(kRegNone, {}));
  registry.SetValue(key, u"q", Raw(kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}));
  // Strings that would not read back the same as quoted text go out as hex(1).
  registry.SetValue(key, u"odd", Raw(kRegSz, {0x41, 0x00, 0x42}));
  registry.SetValue(key, u"nonul", Raw(kRegSz, {0x41, 0x00}));
  registry.SetValue(key, u"crlf", MakeSz(u"a\r\nb"));
  registry.SetValue(key, u"shortdword", Raw(kRegDword, {1, 2}));
  RegKey sub = 0;
  ASSERT_EQ(registry.CreateKey(key, u"Sub", &sub), kRegOk);
  registry.CloseKey(sub);
  registry.CloseKey(key);

  std::u16string text;
  std::string error;
  ASSERT_TRUE(FormatRegExport(registry, {u"HKLM\\software\\T\\"}, &text, &error)) << error;
  const std::string expected =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\software\\T]\r\n"
      "@=\"x\"\r\n"
      "\"a\\\"b\\\\c\"=\"C:\\\\dir\\\\\"\r\n"
      "\"d\"=dword:00abcdef\r\n"
      "\"b23\"=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11\r\n"
      "\"b24\"=hex:22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,\\\r\n"
      "  22\r\n"
      "\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n"
      "\"n\"=hex(0):\r\n"
      "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      "\"odd\"=hex(1):41,00,42\r\n"
      "\"nonul\"=hex(1):41,00\r\n"
      "\"crlf\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
      "\"shortdword\"=hex(4):01,02\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\software\\T\\Sub]\r\n"
      "\r\n";
  EXPECT_EQ(ToUtf8(text), expected);
}

TEST(RegFileExport, RefusesUnknownRootsAndMissingKeys) {
  MemoryRegistry registry;
  std::u16string text;
  std::string error;
  EXPECT_FALSE(FormatRegExport(registry, {u"HKEY_USERS\\x"}, &text, &error));
  EXPECT_NE(error.find("unknown root"), std::string::npos);
  EXPECT_FALSE(FormatRegExport(registry, {u"HKEY_CURRENT_USER\\No\\Such"}, &text, &error));
  EXPECT_EQ(error, "key not found: HKEY_CURRENT_USER\\No\\Such");
}

TEST(RegFileRoundTrip, ExportThenImportIntoEmptyRegistryGivesTheSameTrees) {
  MemoryRegistry source;
  RegKey key = 0;
  ASSERT_EQ(source.CreateKey(kLocalMachine, u"Software\\Vendor\\App", &key), kRegOk);
  source.SetValue(key, u"", MakeSz(u"ünïcödé \"quoted\" back\\slash"));
  source.SetValue(key, u"Path", MakeSz(u"%ProgramFiles%\\App", kRegExpandSz));
  source.SetValue(key, u"List", Raw(kRegMultiSz, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}));
  source.SetValue(key, u"Blob", Raw(kRegBinary, std::vector<std::uint8_t>(300, 0xFE)));
  source.SetValue(key, u"Empty", Raw(kRegSz, {}));
  source.SetValue(key, u"Odd", Raw(kRegSz, {0x41, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00}));
  source.SetValue(key, u"Lines", MakeSz(u"one\ntwo"));
  source.SetValue(key, u"name\r\nwith break", MakeSz(u"v"));
  source.SetValue(key, u"Type 0x20000", Raw(0x20000, {1, 2, 3}));
  source.CloseKey(key);
  ASSERT_EQ(source.CreateKey(kLocalMachine, u"Software\\Vendor\\App\\Empty Key", &key), kRegOk);
  source.CloseKey(key);
  ASSERT_EQ(source.CreateKey(kCurrentUser, u"Software\\Vendor", &key), kRegOk);
  source.SetValue(key, u"Count", MakeDword(7));
  source.CloseKey(key);

  TempDir dir;
  const std::string file = dir.path() + "/all.reg";
  std::string error;
  ASSERT_TRUE(ExportRegFile(source, {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"}, file, &error)) << error;
  const std::string bytes = ReadBytes(file);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");

  MemoryRegistry copy;
  ASSERT_TRUE(ImportRegFile(copy, file, &error)) << error;
  EXPECT_EQ(DumpPath(copy, kLocalMachine, u"Software"), DumpPath(source, kLocalMachine, u"Software"));
  EXPECT_EQ(DumpPath(copy, kCurrentUser, u"Software"), DumpPath(source, kCurrentUser, u"Software"));
}

TEST(RegFileImport, ReadsRegedit5WithDeletionsContinuationsAndComments) {
  MemoryRegistry registry;
  RegKey key = 0;
  ASSERT_EQ(registry.CreateKey(kCurrentUser, u"Software\\Old\\Deep", &key), kRegOk);
  registry.CloseKey(key);
  ASSERT_EQ(registry.CreateKey(kCurrentUser, u"Software\\Keep", &key), kRegOk);
  registry.SetValue(key, u"gone", MakeSz(u"x"));
  registry.SetValue(key, u"stays", MakeSz(u"y"));
  registry.CloseKey(key);

  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n"
      u"\r\n"
      u"; a comment\r\n"
      u"[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
      u"\"ignored\"=\"belongs to no key\"\r\n"
      u"\r\n"
      u"[HKCU\\Software\\Keep]\r\n"
      u"\"gone\"=-\r\n"
      u"\"missing\"=-\r\n"
      u"  \"bin\" = hex:01,02,\\\r\n"
      u"  03,\\\r\n"
      u"; between continuation lines\r\n"
      u"    04   ; trailing comment\r\n"
      u"\"dw\"=dword:1F\r\n"
      u"\"esc\"=\"a\\\\b\\\"c\\nd\"\r\n"
      u"@=\"def\"\r\n"
      u"[HKEY_CLASSES_ROOT\\.xyz]\r\n"
      u"@=\"xyzfile\"";
  std::string error;
  ASSERT_TRUE(Import(registry, Utf16File(text), &error)) << error;

  EXPECT_EQ(registry.OpenKey(kCurrentUser, u"Software\\Old", &key), kRegNotFound);
  EXPECT_EQ(DumpPath(registry, kCurrentUser, u"Software\\Keep"),
            "[Software\\Keep]\n"
            " stays t1: 121 0 0 0\n"
            " bin t3: 1 2 3 4\n"
            " dw t4: 31 0 0 0\n"
            " esc t1: 97 0 92 0 98 0 34 0 99 0 10 0 100 0 0 0\n"
            "  t1: 100 0 101 0 102 0 0 0\n");
  // HKEY_CLASSES_ROOT writes land in HKLM\Software\Classes.
  RegValue value;
  ASSERT_EQ(registry.OpenKey(kLocalMachine, u"Software\\Classes\\.xyz", &key), kRegOk);
  ASSERT_EQ(registry.QueryValue(key, u"", &value), kRegOk);
  EXPECT_EQ(RegSzText(value), u"xyzfile");
  registry.CloseKey(key);
}

TEST(RegFileImport, ReadsRegedit4AndUtf8Files) {
  MemoryRegistry registry;
  // REGEDIT4 is 8-bit: text and hex(2) data are code-page characters (here 0xE9 = é in 1252).
  const std::string regedit4 =
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Old]\n\"Name\"=\"caf\xE9\"\n"
      "\"Exp\"=hex(2):25,41,25,00\n";
  std::string error;
  ASSERT_TRUE(Import(registry, regedit4, &error)) << error;
  RegKey key = 0;
  RegValue value;
  ASSERT_EQ(registry.OpenKey(kLocalMachine, u"Software\\Old", &key), kRegOk);
  ASSERT_EQ(registry.QueryValue(key, u"Name", &value), kRegOk);
  EXPECT_EQ(RegSzText(value), u"caf\u00e9");
  ASSERT_EQ(registry.QueryValue(key, u"Exp", &value), kRegOk);
  EXPECT_EQ(value, MakeSz(u"%A%", kRegExpandSz));
  registry.CloseKey(key);

  // Version 5.00 without BOM: UTF-8 text, hex data taken as it is.
  const std::string utf8 =
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Neu]\n\"Grüße\"=\"€\"\n"
      "\"Exp\"=hex(2):25,00,00,00\n";
  ASSERT_TRUE(Import(registry, utf8, &error)) << error;
  ASSERT_EQ(registry.OpenKey(kCurrentUser, u"Software\\Neu", &key), kRegOk);
  ASSERT_EQ(registry.QueryValue(key, u"Grüße", &value), kRegOk);
  EXPECT_EQ(RegSzText(value), u"€");
  ASSERT_EQ(registry.QueryValue(key, u"Exp", &value), kRegOk);
  EXPECT_EQ(value.data, (std::vector<std::uint8_t>{0x25, 0, 0, 0}));
  registry.CloseKey(key);
}

TEST(RegFileImport, MalformedFilesNameFileAndLineAndChangeNothing) {
  struct Case {
    std::string text;
    std::string error;
  };
  const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\A]\n";
  const Case cases[] = {
      {"REGEDIT5\n", "t.reg:1: not a registry file"},
      {"", "t.reg:1: the file is empty"},
      {"REGEDIT4\n\"v\"=\"x\"\n", "t.reg:2: a value before the first key"},
      {head + "\"v\"=\"unterminated\n", "t.reg:4: missing closing quote"},
      {head + "\"v\"=dword:123456789\n", "t.reg:4: bad dword data"},
      {head + "\"v\"=hex:01,zz\n", "t.reg:4: bad hex data"},
      {head + "\"v\"=hex(2:01\n", "t.reg:4: bad hex type"},
      {head + "\"v\"=str:\"x\"\n", "t.reg:4: unrecognised value data"},
      {head + "\"v\"\n", "t.reg:4: missing \"=\""},
      {head + "\"v\"=\"a\\qb\"\n", "t.reg:4: unknown escape"},
      {head + "\n\n[HKEY_USERS\\S-1]\n", "t.reg:6: unknown root key \"HKEY_USERS\""},
      {head + "[-HKLM]\n", "t.reg:4: a whole root key cannot be deleted"},
      {head + "[HKEY_CURRENT_USER\\x\n", "t.reg:4: a key line must end with \"]\""},
      {head + "junk\n", "t.reg:4: unrecognised line"},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry;
    std::string error;
    EXPECT_FALSE(Import(registry, c.text, &error)) << c.text;
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.text;
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(kCurrentUser, u"Software\\A", &key), kRegNotFound) << c.text;
  }
}

TEST(RegFileImport, ImportFileReportsUnreadableFile) {
  MemoryRegistry registry;
  std::string error;
  EXPECT_FALSE(ImportRegFile(registry, "/nonexistent/x.reg", &error));
  EXPECT_NE(error.find("cannot read /nonexistent/x.reg"), std::string::npos);
}

TEST(RegFileWrite, AtomicWriteReplacesTheFileOrLeavesNothing) {
  TempDir dir;
  const std::string file = dir.path() + "/out.reg";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(file, "first", &error)) << error;
  ASSERT_TRUE(WriteFileAtomically(file, "second", &error)) << error;
  EXPECT_EQ(ReadBytes(file), "second");

  EXPECT_FALSE(WriteFileAtomically(dir.path() + "/missing/out.reg", "x", &error));
  EXPECT_EQ(error.rfind("cannot write " + dir.path() + "/missing/out.reg: ", 0), 0u) << error;
  // Only the finished file: no temporary left beside it.
  EXPECT_EQ(std::system(("test $(ls -A '" + dir.path() + "' | wc -l) -eq 1").c_str()), 0);
}

}  // namespace
}  // namespace platform
