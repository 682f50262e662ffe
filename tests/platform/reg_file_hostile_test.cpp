// .reg exports of keys a .reg file can hardly hold: each either comes back
// exactly through our own import, or the export fails and writes nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/memory_registry.h"
#include "platform/reg_file.h"
#include "platform/text.h"

namespace platform {
namespace {

// Every key below `key` with its values, in order, names kept as UTF-16.
void Dump(Registry& registry, RegKey key, const std::u16string& name, std::u16string* out) {
  *out += u"[" + name + u"]";
  std::uint32_t subkeys = 0, values = 0;
  registry.QueryInfo(key, &subkeys, &values);
  for (std::uint32_t i = 0; i < values; ++i) {
    std::u16string value_name;
    RegValue value;
    ASSERT_EQ(registry.EnumValue(key, i, &value_name, &value), kRegOk);
    *out += value_name + u'=' + ToUtf16(std::to_string(value.type)) + u':';
    for (std::uint8_t b : value.data) out->push_back(b);
  }
  for (std::uint32_t i = 0; i < subkeys; ++i) {
    std::u16string sub;
    ASSERT_EQ(registry.EnumKey(key, i, &sub), kRegOk);
    RegKey child = 0;
    ASSERT_EQ(registry.OpenKey(key, sub, &child), kRegOk);
    Dump(registry, child, name + u"|" + sub, out);
    registry.CloseKey(child);
  }
}

std::u16string DumpAll(Registry& registry) {
  std::u16string out;
  Dump(registry, kLocalMachine, u"HKLM", &out);
  return out;
}

void AddKey(MemoryRegistry& registry, std::u16string_view path, std::u16string_view value) {
  RegKey key = 0;
  ASSERT_EQ(registry.CreateKey(kLocalMachine, path, &key), kRegOk);
  ASSERT_EQ(registry.SetValue(key, u"v", MakeSz(value)), kRegOk);
  registry.CloseKey(key);
}

std::string TempFile() {
  char tmpl[] = "/tmp/clarivo-reghostile-XXXXXX";
  const int fd = mkstemp(tmpl);
  if (fd >= 0) close(fd);
  unlink(tmpl);
  return tmpl;
}

TEST(RegFileHostileTest, OddKeyNamesThatCanStandRawComeBackExactly) {
  MemoryRegistry source;
  const std::u16string names[] = {u" lead and trail ", u"tab\there",       std::u16string(u"nul\0inside", 10),
                                  u"]close",           u"[open",           u"-minus",
                                  u"semi;colon",       u"quote\"d",        u"eq=ual",
                                  u"a]  ;x",           u"surrogate\xd800", u"\U0001F600"};
  for (const std::u16string& name : names) AddKey(source, u"Software\\Odd\\" + name, name);

  std::u16string text;
  std::string error;
  ASSERT_TRUE(FormatRegExport(source, {u"HKEY_LOCAL_MACHINE"}, &text, &error)) << error;
  const std::string file = TempFile();
  ASSERT_TRUE(ExportRegFile(source, {u"HKEY_LOCAL_MACHINE"}, file, &error)) << error;
  MemoryRegistry copy;
  ASSERT_TRUE(ImportRegFile(copy, file, &error)) << error;
  unlink(file.c_str());
  EXPECT_EQ(DumpAll(copy), DumpAll(source));
}

TEST(RegFileHostileTest, AKeyNameWithALineBreakFailsTheExport) {
  for (const std::u16string name : {u"line\nbreak", u"carriage\rreturn"}) {
    MemoryRegistry source;
    AddKey(source, u"Software\\Before", u"1");
    AddKey(source, u"Software\\" + name, u"2");
    std::u16string text;
    std::string error;
    EXPECT_FALSE(FormatRegExport(source, {u"HKEY_LOCAL_MACHINE"}, &text, &error));
    EXPECT_EQ(error, "cannot export the key \"HKEY_LOCAL_MACHINE\\Software\\" + ToUtf8(name) +
                         "\": its name holds a line break, which a .reg file cannot carry");
    const std::string file = TempFile();
    EXPECT_FALSE(ExportRegFile(source, {u"HKEY_LOCAL_MACHINE"}, file, &error));
    EXPECT_NE(access(file.c_str(), F_OK), 0) << "a partial backup was left behind";
  }
}

TEST(RegFileHostileTest, KeysDeeperThan512LevelsFailTheExportInsteadOfVanishing) {
  std::u16string path;
  for (int i = 1; i <= 512; ++i) path += (i > 1 ? u"\\k" : u"k");
  MemoryRegistry source;
  AddKey(source, path, u"deepest allowed");
  // 512 levels below the exported key: written and read back whole.
  std::string error;
  const std::string file = TempFile();
  ASSERT_TRUE(ExportRegFile(source, {u"HKEY_LOCAL_MACHINE"}, file, &error)) << error;
  MemoryRegistry copy;
  ASSERT_TRUE(ImportRegFile(copy, file, &error)) << error;
  unlink(file.c_str());
  EXPECT_EQ(DumpAll(copy), DumpAll(source));

  // One level more: the export fails rather than leave the key out.
  AddKey(source, path + u"\\too deep", u"lost before");
  std::u16string text;
  EXPECT_FALSE(FormatRegExport(source, {u"HKEY_LOCAL_MACHINE"}, &text, &error));
  EXPECT_NE(error.find("they lie deeper than 512 levels"), std::string::npos) << error;
  EXPECT_FALSE(ExportRegFile(source, {u"HKEY_LOCAL_MACHINE"}, file, &error));
  EXPECT_NE(access(file.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace platform
