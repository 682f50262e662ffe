// Wine registry files no one would write by hand: names that only read right
// when decoded exactly as wineserver decodes them, and trees nested deeper
// than any stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/wine_format.h"

namespace platform {
namespace {

const char kHeader[] = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n";

WineHiveFile Parse(const std::string& text) {
  WineHiveFile hive;
  std::string error;
  EXPECT_TRUE(ParseWineRegistry(text, "system.reg", &hive, &error)) << error;
  return hive;
}

// "name=value" of every key holding a value "v", depth first, with the path
// written with '|' between components (so a backslash inside a name shows).
void Describe(const RegNode* node, const std::u16string& path, std::u16string* out) {
  if (const RegTreeValue* v = node->FindValue(u"v")) {
    *out += path + u'=';
    for (std::size_t i = 0; i + 1 < v->data.size(); i += 2) {
      const auto unit = static_cast<char16_t>(v->data[i] | (v->data[i + 1] << 8));
      if (unit == 0) break;
      out->push_back(unit);
    }
    *out += u';';
  }
  for (const auto& child : node->subkeys)
    Describe(child.get(),
             path.empty() ? std::u16string(child->name) : path + u'|' + std::u16string(child->name), out);
}

std::u16string Describe(const WineHiveFile& hive) {
  std::u16string out;
  Describe(hive.root.get(), u"", &out);
  return out;
}

void MarkAllChanged(RegNode* top) {
  std::vector<RegNode*> pending{top};
  while (!pending.empty()) {
    RegNode* node = pending.back();
    pending.pop_back();
    node->flags |= RegNode::kChanged;
    for (auto& child : node->subkeys) pending.push_back(child.get());
  }
}

// Each case was read by wineserver 8.0 (`wine regedit /e` of the same lines)
// to find what it makes of them.
TEST(WineFormatHostileTest, KeyNamesReadAsWineserverReadsThem) {
  const std::string text = std::string(kHeader) +
                           // "\x" takes up to four hex digits: the same start
                           // is another key once a hex digit follows.
                           "[a\\x5cz] 1\n\"v\"=\"1\"\n"
                           "[a\\x5cbz] 1\n\"v\"=\"2\"\n"
                           // A lead byte without its continuation stands for
                           // nothing; the backslash after it still escapes.
                           "[Caf\xd0\\D] 1\n\"v\"=\"3\"\n"
                           "[Cafe] 1\n\"v\"=\"4\"\n"
                           "[x\xe9] 1\n\"v\"=\"5\"\n"
                           // An escaped UTF-8 sequence is one character.
                           "[u\\\xc3\xa9] 1\n\"v\"=\"6\"\n"
                           // A surrogate written in UTF-8, an overlong form,
                           // a four-byte character and a cut sequence.
                           "[q\xed\xa0\x80\xc0\xaf\xf0\x9f\x98\x80r\xe2\x82] 1\n\"v\"=\"7\xe9\"\n";
  WineHiveFile hive = Parse(text);
  const std::u16string expected = u"a|z=1;a\u05cbz=2;CafD=3;Cafe=4;q\xd800\U0001F600r=7;u\u00e9=6;x=5;";
  EXPECT_EQ(Describe(hive), expected);

  // Written back and read again, every key stays where it was: copied
  // blocks as well as blocks written anew.
  WineHiveFile again = Parse(FormatWineRegistry(hive, nullptr, nullptr));
  EXPECT_EQ(Describe(again), expected);
  MarkAllChanged(hive.root.get());
  WineHiveFile rewritten = Parse(FormatWineRegistry(hive, nullptr, nullptr));
  EXPECT_EQ(Describe(rewritten), expected);
}

TEST(WineFormatHostileTest, ASharedStartReusesOnlyWholeComponents) {
  // Each line shares its start, separator included, with the one before;
  // the byte after "\x5c" decides whether it was a separator at all.
  WineHiveFile hive = Parse(std::string(kHeader) +
                            "[k\\\\p\\x5cq] 1\n\"v\"=\"1\"\n"
                            "[k\\\\p\\x5cqq] 1\n\"v\"=\"2\"\n"
                            "[k\\\\p\\x5c0] 1\n\"v\"=\"3\"\n"
                            "[k\\\\p\\x5cq] 1\n\"v\"=\"4\"\n");
  EXPECT_EQ(Describe(hive), u"k|p|q=4;k|p|qq=2;k|p\u05c0=3;");
}

}  // namespace
}  // namespace platform
