#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"

namespace platform {
namespace {

TEST(TextTest, ConvertsBetweenUtf8AndUtf16IncludingSurrogates) {
  const std::string utf8 = "a\xc3\xa9\xe4\xb8\xad\xf0\x9d\x84\x9e";  // a é 中 𝄞
  const std::u16string utf16 = u"a\u00e9\u4e2d\U0001D11E";
  EXPECT_EQ(ToUtf16(utf8), utf16);
  EXPECT_EQ(ToUtf8(utf16), utf8);
  EXPECT_EQ(ToUtf16(std::string("x\0y", 3)), std::u16string(u"x\0y", 3));
  EXPECT_EQ(ToUtf8(u""), "");
}

TEST(TextTest, ReplacesBrokenInputInsteadOfFailing) {
  EXPECT_EQ(ToUtf16("a\xff"
                    "b"),
            u"a\ufffdb");                                                // invalid byte
  EXPECT_EQ(ToUtf16("a\xe4\xb8"), u"a\ufffd");                           // truncated at the end
  EXPECT_EQ(ToUtf16("\xe4\xb8z"), u"\ufffdz");                           // truncated in the middle
  EXPECT_EQ(ToUtf16("\xc0\xaf"), u"\ufffd");                             // overlong
  EXPECT_EQ(ToUtf16("\xed\xa0\x80"), u"\ufffd");                         // encoded surrogate
  EXPECT_EQ(ToUtf16("\xf4\x90\x80\x80"), u"\ufffd");                     // beyond U+10FFFF
  EXPECT_EQ(ToUtf8(std::u16string(1, 0xD800) + u"x"), "\xef\xbf\xbdx");  // lone high surrogate
  EXPECT_EQ(ToUtf8(std::u16string(1, 0xDC00)), "\xef\xbf\xbd");          // lone low surrogate
}

TEST(TextTest, ComparesNamesWithoutCase) {
  EXPECT_EQ(FoldCase(u'a'), u'A');
  EXPECT_EQ(FoldCase(u'_'), u'_');
  EXPECT_EQ(FoldCase(u'\u00e9'), u'\u00c9');
  EXPECT_EQ(FoldCase(u'\u00ff'), u'\u0178');
  EXPECT_EQ(FoldCase(u'\u03b1'), u'\u0391');  // Greek, beyond Latin-1
  EXPECT_TRUE(EqualsNoCase(u"Software\\CLASSES", u"SOFTWARE\\classes"));
  EXPECT_TRUE(EqualsNoCase(u"\u00e9t\u00e9", u"\u00c9T\u00c9"));
  EXPECT_FALSE(EqualsNoCase(u"abc", u"abcd"));
  EXPECT_FALSE(EqualsNoCase(u"abc", u"abd"));
  EXPECT_EQ(CompareNoCase(u"abc", u"ABC"), 0);
  EXPECT_LT(CompareNoCase(u"abc", u"ABD"), 0);
  EXPECT_GT(CompareNoCase(u"abcd", u"ABC"), 0);
  EXPECT_LT(CompareNoCase(u"", u"a"), 0);
}

TEST(TextTest, BuildsAndReadsRegistryStrings) {
  RegValue sz = MakeSz(u"A\u00e9");
  EXPECT_EQ(sz.type, kRegSz);
  EXPECT_EQ(sz.data, (std::vector<std::uint8_t>{0x41, 0, 0xe9, 0, 0, 0}));
  EXPECT_EQ(RegSzText(sz), u"A\u00e9");
  EXPECT_EQ(MakeSz(u"x", kRegExpandSz).type, kRegExpandSz);
  // Text stops at the first NUL; an odd trailing byte and a missing NUL are tolerated.
  EXPECT_EQ(RegSzText(RegValue{kRegMultiSz, {0x61, 0, 0, 0, 0x62, 0, 0, 0}}), u"a");
  EXPECT_EQ(RegSzText(RegValue{kRegSz, {0x61, 0, 0x62}}), u"a");
  EXPECT_EQ(MakeDword(0x01020304).data, (std::vector<std::uint8_t>{4, 3, 2, 1}));
}

}  // namespace
}  // namespace platform
