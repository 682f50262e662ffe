// A registry file read in two parts (on two threads when loading) must give
// exactly what one read gives: keys, order, values, flags, block offsets and
// the first error with its line, wherever the cut falls.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/wine_tree_difference.h"
#include "platform/wine_format.h"

namespace platform {
namespace {

const char kHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";

// Every place a cut may go, found independently of the parser: the start of
// a line opening with '[' right after a line of nothing but blanks.
std::vector<std::size_t> CutPlaces(const std::string& text) {
  std::vector<std::size_t> places;
  const std::size_t first_line_end = text.find('\n');
  for (std::size_t pos = text.find("\n[", 0); pos != std::string::npos; pos = text.find("\n[", pos + 1)) {
    const std::size_t prev = text.rfind('\n', pos - 1);
    if (prev == std::string::npos || prev < first_line_end) continue;
    const std::string line = text.substr(prev + 1, pos - prev - 1);
    if (line.find_first_not_of(" \t\r") == std::string::npos) places.push_back(pos + 1);
  }
  return places;
}

// Reads `text` whole and in two parts cut at each possible place (the two
// parts on two threads), and expects the same outcome every time.
void ExpectSplitReadsAgree(const std::string& text, const std::string& what) {
  WineHiveFile whole;
  std::string whole_error;
  const bool whole_ok = ParseWineRegistry(text, "system.reg", &whole, &whole_error);
  const std::string copied = whole_ok ? FormatWineRegistry(whole, nullptr, nullptr) : std::string();
  std::vector<std::size_t> places = CutPlaces(text);
  places.push_back(text.size());  // no cut at all
  for (std::size_t place : places) {
    SCOPED_TRACE(what + ", cut at " + std::to_string(place));
    WineSplitParse split(text, "system.reg", place == text.size() ? place : place - 1);
    ASSERT_EQ(split.cut(), place);
    std::thread other([&] { split.ParseFirst(); });
    split.ParseSecond();
    other.join();
    WineHiveFile joined;
    std::string joined_error;
    ASSERT_EQ(split.Finish(&joined, &joined_error), whole_ok) << whole_error << joined_error;
    if (!whole_ok) {
      EXPECT_EQ(joined_error, whole_error);
      continue;
    }
    EXPECT_EQ(joined.header, whole.header);
    EXPECT_EQ(joined.text, text);
    EXPECT_EQ(wine_tree::TreeDifference(*whole.root, *joined.root, true), "");
    // The byte-true writer copies blocks by their offsets: same output.
    EXPECT_EQ(FormatWineRegistry(joined, nullptr, nullptr), copied);
    wine_tree::MarkAllChanged(joined.root.get());
    wine_tree::MarkAllChanged(whole.root.get());
    EXPECT_EQ(FormatWineRegistry(joined, nullptr, nullptr), FormatWineRegistry(whole, nullptr, nullptr));
    ParseWineRegistry(text, "system.reg", &whole, &whole_error);  // unmarked again for the next cut
  }
}

TEST(WineSplitParseTest, KeysInBothPartsAreJoinedAsOneReadLaysThemOver) {
  const std::string text = std::string(kHeader) +
                           "\n[A\\\\B] 100\n#time=1\n#class=\"first\"\n#opt1\n@=\"a\"\n\"x\"=dword:00000001\n"
                           "\n[A\\\\C] 100\n\"v\"=\"c\"\n"
                           "\n[Z] 100\n\"z\"=\"1\"\n"
                           // The same keys again after the cut, values replaced,
                           // others added, one block without any time.
                           "\n[A\\\\B]\n#class=\"second\"\n#opt2\n\"X\"=dword:00000002\n\"new\"=\"n\"\n"
                           "\n[A\\\\Bb] 200\n\"v\"=\"bb\"\n"
                           "\n[A\\\\C] 300\n#link\n\"SymbolicLinkValue\"=hex(6):41,00\n"
                           "\n[A\\\\A] 300\n"
                           "\n[]\n\"root\"=\"r\"\n"
                           "\n[Z\\\\Y] 400\n";
  ExpectSplitReadsAgree(text, "repeated keys");

  // What the join must have done, spelled out for one cut.
  WineSplitParse split(text, "system.reg", text.find("[A\\\\B]\n") - 2);
  ASSERT_EQ(split.cut(), text.find("[A\\\\B]\n"));
  WineHiveFile hive;
  std::string error;
  ASSERT_TRUE(split.Finish(&hive, &error)) << error;
  RegNode* a = hive.root->FindSubkey(u"A");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->subkeys.size(), 4u);
  EXPECT_EQ(std::u16string_view(a->subkeys[0]->name), u"A");
  EXPECT_EQ(std::u16string_view(a->subkeys[2]->name), u"Bb");
  RegNode* b = a->FindSubkey(u"B");
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->Has(RegNode::kChanged));  // two blocks: written anew
  EXPECT_EQ(b->modified, 1u);              // the second block gave no time
  ASSERT_EQ(b->values.size(), 3u);
  EXPECT_EQ(b->values[1].name, u"X");
  EXPECT_EQ(b->values[1].data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
  EXPECT_EQ(b->extra->key_class, u"second");
  EXPECT_EQ(b->extra->options, (std::vector<std::string>{"#opt1", "#opt2"}));
  EXPECT_TRUE(a->FindSubkey(u"C")->Has(RegNode::kLink));
  EXPECT_FALSE(a->FindSubkey(u"Bb")->Has(RegNode::kChanged));
  EXPECT_EQ(hive.root->values.size(), 1u);
}

TEST(WineSplitParseTest, HostileFilesGiveTheSameTreeOrTheSameErrorAndLine) {
  const std::string h(kHeader);
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"an error after the cut", h + "\n[A] 1\n\"v\"=\"a\"\n\n[B] 1\n\"v\"=\"b\"\n\n[C] 1\nstray\n"},
      {"errors on both sides", h + "\n[A] 1\n\"v\"=bad\n\n[B] 1\n\n[C] 1\n\"v\"=hex:zz\n"},
      {"an error in the header line", "REGEDIT4\n\n[A] 1\n\n[B] 1\n"},
      // A hex value continued onto the blank line ends there.
      {"a continuation onto the blank line", h + "\n[A] 1\n\"h\"=hex:01,02,\\\n\n[B] 1\n\"h\"=hex:03\n"},
      {"a continuation over a comment",
       h + "\n[A] 1\n\"h\"=hex:01,\\\n;;\n\n[B] 1\n\"h\"=hex:03,\\\n  \t\n[C] 1\n"},
      // Wineserver keeps the first spelling; blocks naming a key otherwise
      // are written anew, which depends on the order of the lines.
      {"a key spelled otherwise after the cut",
       h + "\n[Soft\\\\Key] 1\n\n[Soft\\\\Other] 1\n\n[SOFT\\\\KEY\\\\Sub] 2\n\n[Soft\\\\Key\\\\Sub2] 3\n"},
      {"a key spelled otherwise before the cut",
       h + "\n[Soft\\\\Key] 1\n\n[soft\\\\KEY] 1\n\n[Soft\\\\Key\\\\S] 1\n"},
      {"escapes and raw UTF-8 in names", h + "\n[\\xe9\\\\\\x5c] 1\n\n[\xc3\xa9\\\\\\\\x] 1\n\n[\\xc9\\\\Z] "
                                             "1\n\"\\x5c\"=\"v\"\n\n[\\x00c9a] 1\n"},
      {"line ends of both kinds",
       h + "\r\n[A] 1\r\n\"v\"=\"1\"\r\n\r\n[B] 1\r\n\r\n[A] 2\r\n\"V\"=\"2\"\r\n"},
      {"no blank line before a key", h + "\n[A] 1\n[B] 1\n;\n[C] 1\n"},
      {"the root key last", h + "\n[A] 1\n\n[] 5\n\"v\"=\"r\"\n"},
      {"a second part of nothing but keys", h + "\n[A] 1\n\n[A\\\\B\\\\C] 1\n\n[A\\\\B] 1\n"},
      {"no keys before the cut", "WINE REGISTRY Version 2\n\n[A] 1\n\n[B] 1\n"},
  };
  for (const auto& c : cases) ExpectSplitReadsAgree(c.text, c.what);

  // The line of an error after the cut counts the lines before it.
  WineSplitParse split(cases[0].text, "system.reg", cases[0].text.find("[C]") - 1);
  ASSERT_EQ(split.cut(), cases[0].text.find("[C]"));
  WineHiveFile hive;
  std::string error;
  EXPECT_FALSE(split.Finish(&hive, &error));
  EXPECT_EQ(error, "system.reg line 13: unexpected text");
}

// Random files of every kind of line, values repeated under names differing
// in case, keys listed out of order and repeated, with now and then a fault.
std::string RandomFile(std::mt19937& rng, bool with_faults) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  static const char* const kNames[] = {"Key", "KEY", "key", "Other", "x\\\\y", "\\xe9t\\xe9", "Sub", "[b\\]"};
  static const char* const kValues[] = {"\"v\"=\"text\"",
                                        "\"V\"=dword:0000002a",
                                        "@=\"default\"",
                                        "\"bin\"=hex:01,02,03,\\\n  04,05",
                                        "\"multi\"=str(7):\"a\\0b\\0\"",
                                        "\"e\"=hex(2):41,00,00,00",
                                        "\"\\xe9\"=\"\\x4e2d\"",
                                        "\"empty\"=hex:"};
  static const char* const kOptions[] = {"#time=1d9f0e1a2b3c4d5", "#class=\"cls\"", "#link", "#other=1"};
  static const char* const kFaults[] = {"stray", "\"v\"=bogus:1", "\"v\"=\"open", "\"h\"=hex:0g"};
  std::string text = kHeader;
  const int blocks = 5 + pick(40);
  for (int i = 0; i < blocks; ++i) {
    text += pick(8) == 0 ? "\r\n" : pick(10) == 0 ? " \t\n" : pick(12) == 0 ? "" : "\n";
    std::string path;
    const int depth = pick(4);
    for (int d = 0; d < depth; ++d) path += (d ? "\\\\" : "") + std::string(kNames[pick(8)]);
    text += "[" + path + "]" + (pick(4) ? " " + std::to_string(pick(100000)) : "") + "\n";
    for (int n = pick(3); n > 0; --n) text += std::string(kOptions[pick(4)]) + "\n";
    for (int n = pick(5); n > 0; --n) text += std::string(kValues[pick(8)]) + "\n";
    if (pick(6) == 0) text += ";; a comment\n";
    if (with_faults && pick(60) == 0) text += std::string(kFaults[pick(4)]) + "\n";
  }
  return text;
}

TEST(WineSplitParseTest, RandomFilesAgreeWhereverTheyAreCut) {
  std::mt19937 rng(12);
  for (int i = 0; i < 150; ++i)
    ExpectSplitReadsAgree(RandomFile(rng, i % 3 == 0), "file " + std::to_string(i));
}

}  // namespace
}  // namespace platform
