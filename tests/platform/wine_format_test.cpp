#include "platform/wine_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fuzz/wine_tree_difference.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace platform {
namespace {

const char kHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to "
    "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n";

// A block exactly as wineserver 8.0 wrote it for values added with `wine reg add`.
const char kWineBlock[] =
    "[Software\\\\P1aTest] 1796701294\n"
    "#time=1dd86c605c7b3d0\n"
    "@=\"default\"\n"
    "\"bin\"=hex:00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff,00,11,22,33,44,55,66,\\\n"
    "  77,88,99,aa,bb,cc,dd,ee,ff,00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff\n"
    "\"dw\"=dword:0000000a\n"
    "\"exp\"=str(2):\"%PATH%;x\"\n"
    "\"multi\"=str(7):\"one\\0two\\0\"\n"
    "\"name\\\"with[br]\"=\"\"\n"
    "\"nonascii\"=\"\\xe9\\x4e2d\\xd834\\xdd1ex\"\n"
    "\"nonascii2\"=\"\\x00e9a9\"\n"
    "\"none\"=hex(0):78,00,00,00\n"
    "\"quote\"=\"a\\\"b\\\\c\"\n"
    "\"qw\"=hex(b):89,67,45,23,01,00,00,00\n"
    "\n"
    "[Software\\\\P1aTest\\\\Sub\\[1\\]\\\\\\xe9] 1796701294\n"
    "#time=1dd86c605ada5b2\n"
    "\"x\"=\"y\"\n";

WineHiveFile Parse(const std::string& text) {
  WineHiveFile hive;
  std::string error;
  EXPECT_TRUE(ParseWineRegistry(text, "user.reg", &hive, &error)) << error;
  return hive;
}

RegNode* Find(RegNode* root, std::u16string_view path) {
  RegNode* node = root;
  std::size_t pos = 0;
  while (node && pos <= path.size()) {
    std::size_t end = path.find(u'\\', pos);
    if (end == std::u16string_view::npos) end = path.size();
    node = node->FindSubkey(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return node;
}

RegValue ValueOf(RegNode* node, std::u16string_view name) {
  const RegTreeValue* v = node ? node->FindValue(name) : nullptr;
  if (!v) return RegValue{0xFFFF, {}};
  return RegValue{v->type, v->data};
}

TEST(WineFormatTest, ReadsEveryValueTypeAndEscapeWineWrites) {
  WineHiveFile hive = Parse(std::string(kHeader) + kWineBlock);
  RegNode* key = Find(hive.root.get(), u"software\\p1atest");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->name, u"P1aTest");
  EXPECT_EQ(key->modified, 0x1dd86c605c7b3d0ULL);
  EXPECT_EQ(ValueOf(key, u""), MakeSz(u"default"));
  RegValue bin = ValueOf(key, u"bin");
  EXPECT_EQ(bin.type, kRegBinary);
  ASSERT_EQ(bin.data.size(), 48u);
  EXPECT_EQ(bin.data[23], 0x77);
  EXPECT_EQ(bin.data[47], 0xff);
  EXPECT_EQ(ValueOf(key, u"dw"), MakeDword(10));
  EXPECT_EQ(ValueOf(key, u"exp"), MakeSz(u"%PATH%;x", kRegExpandSz));
  EXPECT_EQ(ValueOf(key, u"multi"), MakeSz(std::u16string(u"one\0two\0", 8), kRegMultiSz));
  EXPECT_EQ(ValueOf(key, u"name\"with[br]"), MakeSz(u""));
  EXPECT_EQ(ValueOf(key, u"nonascii"), MakeSz(u"\u00e9\u4e2d\U0001D11Ex"));
  EXPECT_EQ(ValueOf(key, u"nonascii2"), MakeSz(u"\u00e9a9"));
  EXPECT_EQ(ValueOf(key, u"none"), (RegValue{kRegNone, {0x78, 0, 0, 0}}));
  EXPECT_EQ(ValueOf(key, u"quote"), MakeSz(u"a\"b\\c"));
  EXPECT_EQ(ValueOf(key, u"qw"), (RegValue{kRegQword, {0x89, 0x67, 0x45, 0x23, 0x01, 0, 0, 0}}));
  // Escaped brackets and non-ASCII in key names; "Sub[1]" has no block of its own.
  RegNode* sub = Find(hive.root.get(), u"Software\\P1aTest\\Sub[1]");
  ASSERT_NE(sub, nullptr);
  EXPECT_FALSE(sub->Has(RegNode::kHadBlock));
  ASSERT_EQ(sub->subkeys.size(), 1u);
  EXPECT_EQ(sub->subkeys[0]->name, u"\u00e9");
  EXPECT_EQ(ValueOf(sub->subkeys[0].get(), u"x"), MakeSz(u"y"));
}

TEST(WineFormatTest, ReadsOtherWritersSpellings) {
  WineHiveFile hive = Parse(std::string(kHeader) +
                            "[A] 1\n"
                            "\"s\"=str:\"x\\ty\\001\\7z\"\n"
                            "\"o\"=\"\\101\\x41g\\q\"\n"
                            "\"h\"=hex(2):41,00,\\\n"
                            "   00,00\n"
                            "\"raw\"=\"caf\xc3\xa9\"\n"
                            "\"e\"=hex:\n"
                            "; a comment\n"
                            "\"d\"=dword:ffffffff\n");
  RegNode* a = Find(hive.root.get(), u"A");
  EXPECT_EQ(ValueOf(a, u"s"), MakeSz(std::u16string(u"x\ty\u0001\u0007z")));
  EXPECT_EQ(ValueOf(a, u"o"), MakeSz(u"AAgq"));
  EXPECT_EQ(ValueOf(a, u"h"), MakeSz(u"A", kRegExpandSz));
  EXPECT_EQ(ValueOf(a, u"raw"), MakeSz(u"caf\u00e9"));
  EXPECT_EQ(ValueOf(a, u"e"), (RegValue{kRegBinary, {}}));
  EXPECT_EQ(ValueOf(a, u"d"), MakeDword(0xffffffffu));
  EXPECT_EQ(a->modified, 116444736000000000ULL + 10000000ULL);  // seconds only, no #time line
}

TEST(WineFormatTest, WritesBlocksExactlyAsWineserver) {
  // Regenerating every block from the tree gives wineserver's own text back.
  std::string text = std::string(kHeader) + kWineBlock;
  WineHiveFile hive = Parse(text);
  wine_tree::MarkAllChanged(hive.root.get());
  EXPECT_EQ(FormatWineRegistry(hive, nullptr, nullptr), text);

  // Control characters: C escapes, octal, octal padded before a digit, the final NUL dropped.
  RegNode* key = Find(hive.root.get(), u"Software\\P1aTest");
  key->values = {RegTreeValue{u"c\u0001", kRegSz,
                              MakeSz(std::u16string(u"\a\b\t\n\v\f\r\u001b\u0001x\u00021\0z", 14)).data},
                 RegTreeValue{u"odd", kRegSz, {0x41, 0x00, 0x42}},
                 RegTreeValue{u"dw3", kRegDword, {1, 2, 3}}};
  key->subkeys.clear();
  std::string out = FormatWineRegistry(hive, nullptr, nullptr);
  EXPECT_NE(out.find("\"c\\1\"=\"\\a\\b\\t\\n\\v\\f\\r\\e\\1x\\0021\\0z\"\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\"odd\"=hex(1):41,00,42\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\"dw3\"=hex(4):01,02,03\n"), std::string::npos) << out;
}

TEST(WineFormatTest, KeepsUntouchedBlocksAndWritesOnlyWhatWineWould) {
  std::string text = std::string(kHeader) +
                     "[B\\\\Implied\\\\Leaf] 5\n"
                     "#time=1\n"
                     "\"v\"=str:\"kept as written\"\n"
                     "\n"
                     "[C] 7\n"
                     "#time=2\n"
                     "#class=\"cls\"\n"
                     "#link\n"
                     "#future=option\n"
                     "\"SymbolicLinkValue\"=hex(6):5c,00\n"
                     "\n"
                     "[_first] 9\n"
                     "#time=3\n";
  WineHiveFile hive = Parse(text);
  EXPECT_EQ(hive.header, kHeader);
  EXPECT_EQ(FormatWineRegistry(hive, nullptr, nullptr),
            text.substr(0, std::strlen(kHeader)) + "[_first] 9\n#time=3\n\n" +
                text.substr(std::strlen(kHeader), text.rfind("[_first]") - std::strlen(kHeader) - 1));
  RegNode* c = Find(hive.root.get(), u"C");
  ASSERT_TRUE(c->Has(RegNode::kLink));
  ASSERT_TRUE(c->extra && c->extra->has_class);
  EXPECT_EQ(c->extra->key_class, u"cls");
  EXPECT_EQ(c->extra->options, std::vector<std::string>{"#future=option"});

  // An implied key that gains a value gets a block; a changed key gets a fresh
  // header and keeps its class, link and other options.
  RegNode* implied = Find(hive.root.get(), u"B\\Implied");
  implied->values.push_back(RegTreeValue{u"n", kRegDword, MakeDword(1).data});
  implied->flags |= RegNode::kChanged;
  implied->modified = 0x1dd86c605c7b3d0ULL;  // seconds and #time as wineserver wrote them above
  c->flags |= RegNode::kChanged;
  c->modified = 0x1dd86c605ada5b2ULL;
  std::vector<WineBlockSpan> spans;
  std::string out = FormatWineRegistry(hive, nullptr, &spans);
  EXPECT_NE(out.find("\n[B\\\\Implied] "
                     "1796701294\n#time=1dd86c605c7b3d0\n\"n\"=dword:00000001\n\n[B\\\\Implied\\\\Leaf] 5\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("[C] "
                     "1796701294\n#time=1dd86c605ada5b2\n#class=\"cls\"\n#link\n#future="
                     "option\n\"SymbolicLinkValue\"=hex(6):5c,00\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("[B]"), std::string::npos);
  ASSERT_EQ(spans.size(), 4u);

  // After the write is committed, unchanged keys copy from the new text.
  CommitWineText(&hive, nullptr, out, spans);
  EXPECT_FALSE(implied->Has(RegNode::kChanged));
  EXPECT_EQ(FormatWineRegistry(hive, nullptr, nullptr), out);
  WineHiveFile again = Parse(out);
  EXPECT_EQ(ValueOf(Find(again.root.get(), u"B\\Implied"), u"n"), MakeDword(1));
}

TEST(WineFormatTest, KeyLinesSharingTextWithThePreviousOneLandRight) {
  WineHiveFile hive = Parse(std::string(kHeader) +
                            "[Ab\\\\C] 1\n\"v\"=\"1\"\n"
                            "[Abc\\\\D] 1\n\"v\"=\"2\"\n"       // same start, another key
                            "[ABC\\\\e\\\\F] 1\n\"v\"=\"3\"\n"  // the same key in another case
                            "[\\x00e9x\\\\G] 1\n\"v\"=\"4\"\n"
                            "[\\x00e9x\\\\H] 1\n\"v\"=\"5\"\n"    // an escaped name shared
                            "[\\x00e9y\\\\G] 1\n\"v\"=\"6\"\n");  // differs after the escape
  RegNode* root = hive.root.get();
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->subkeys.size(), 4u);
  EXPECT_EQ(ValueOf(Find(root, u"Ab\\C"), u"v"), MakeSz(u"1"));
  EXPECT_EQ(ValueOf(Find(root, u"Abc\\D"), u"v"), MakeSz(u"2"));
  EXPECT_EQ(ValueOf(Find(root, u"abc\\E\\f"), u"v"), MakeSz(u"3"));
  EXPECT_EQ(Find(root, u"Abc")->subkeys.size(), 2u);
  EXPECT_EQ(Find(root, u"Abc")->name, u"Abc");
  EXPECT_EQ(ValueOf(Find(root, u"\u00e9x\\G"), u"v"), MakeSz(u"4"));
  EXPECT_EQ(ValueOf(Find(root, u"\u00e9x\\H"), u"v"), MakeSz(u"5"));
  EXPECT_EQ(ValueOf(Find(root, u"\u00e9y\\G"), u"v"), MakeSz(u"6"));

  std::string error;
  EXPECT_FALSE(
      ParseWineRegistry(std::string(kHeader) + "[A\\\\B] 1\n[A\\\\] 1\n", "user.reg", &hive, &error));
  EXPECT_EQ(error, "user.reg line 7: bad key name");
}

TEST(WineFormatTest, RepeatedValueNameKeepsTheFirstPlaceAndTheLastValue) {
  for (int count : {3, 40}) {
    std::string block = "[K] 1\n";
    for (int i = 0; i < count; ++i)
      block += "\"Name" + std::to_string(100 + i) + "\"=dword:" + std::to_string(i) + "\n";
    block += "\"nAME101\"=\"again\"\n";
    WineHiveFile hive = Parse(std::string(kHeader) + block);
    RegNode* key = Find(hive.root.get(), u"K");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), static_cast<std::size_t>(count)) << count;
    EXPECT_EQ(key->values[1].name, u"nAME101");
    EXPECT_EQ(RegValue({key->values[1].type, key->values[1].data}), MakeSz(u"again"));
    EXPECT_EQ(ValueOf(key, u"name102"), MakeDword(2));
    EXPECT_EQ(ValueOf(key, u"NAME100"), MakeDword(0));
  }
}

TEST(WineFormatTest, ReportsMalformedFilesWithTheLine) {
  struct Case {
    std::string body;
    std::string error;
  } cases[] = {
      {"[A] 1\n\"v\"=\"open\n", "user.reg line 7: unterminated string"},
      {"[A] 1\n\n\"v\"=hex:zz\n", "user.reg line 8: bad hex data"},
      {"[A\\\\B 1\n", "user.reg line 6: unterminated key name"},
      {"[A] 1\n\"v\"=dword:12x\n", "user.reg line 7: bad dword"},
      {"[A] 1\n\"v\"=blob:00\n", "user.reg line 7: unknown value type"},
      {"[A] 1\n\"v\" \"x\"\n", "user.reg line 7: missing '=' after the value name"},
      {"[A] 1\n\"v\"=hex:00,\\\n", "user.reg line 7: unterminated hex data"},
      {"[A] 1\nstray\n", "user.reg line 7: unexpected text"},
      {"[A\\\\\\\\B] 1\n", "user.reg line 6: bad key name"},
  };
  for (const auto& c : cases) {
    WineHiveFile hive;
    std::string error;
    EXPECT_FALSE(ParseWineRegistry(std::string(kHeader) + c.body, "user.reg", &hive, &error)) << c.body;
    EXPECT_EQ(error, c.error) << c.body;
  }
  WineHiveFile hive;
  std::string error;
  EXPECT_FALSE(ParseWineRegistry("REGEDIT4\n", "system.reg", &hive, &error));
  EXPECT_EQ(error.rfind("system.reg line 1: ", 0), 0u) << error;
}

}  // namespace
}  // namespace platform
