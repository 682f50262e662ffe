// Wine registry files no one would write by hand: names that only read right
// when decoded exactly as wineserver decodes them, and trees nested deeper
// than any stack.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "fuzz/wine_tree_difference.h"
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

// Runs `fn` on a thread with a small stack, where anything that recurses
// once per level of a deep tree overflows at once.
void OnSmallStack(const std::function<void()>& fn) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  pthread_t thread;
  auto call = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()>*>(&fn)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
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
  wine_tree::MarkAllChanged(hive.root.get());
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

TEST(WineFormatHostileTest, AKeySpelledInAnotherCaseKeepsItsNameWhenWrittenBack) {
  // Found by fuzzing: "B" is named first, but the block naming it "b" comes
  // first in tree order; copied as it stood, it renamed the key on the next read.
  WineHiveFile hive = Parse(std::string(kHeader) + "[B\\\\x] 1\n\"v\"=\"1\"\n\n[b\\\\a] 1\n\"v\"=\"2\"\n");
  ASSERT_EQ(hive.root->subkeys.size(), 1u);
  EXPECT_EQ(std::u16string_view(hive.root->subkeys[0]->name), u"B");
  const std::string written = FormatWineRegistry(hive, nullptr, nullptr);
  EXPECT_NE(written.find("[B\\\\a] 1\n"), std::string::npos) << written;
  EXPECT_NE(written.find("[B\\\\x] 1\n"), std::string::npos) << written;
  WineHiveFile again = Parse(written);
  EXPECT_EQ(Describe(again), u"B|a=2;B|x=1;");
  EXPECT_EQ(std::u16string_view(again.root->subkeys[0]->name), u"B");
}

TEST(WineFormatHostileTest, KeysAMillionLevelsDeepAreReadWrittenAndFreed) {
  // 50,000 levels overflow a 256 KiB stack many times over if any step
  // recursed once per level (a 1,000,000-level key crashed the main thread).
  constexpr int kDepth = 50000;
  std::string key;
  key.reserve(kDepth * 3);
  for (int i = 0; i < kDepth; ++i) key += i ? "\\\\a" : "a";
  const std::string text = std::string(kHeader) + "[" + key + "] 1\n\"v\"=\"deep\"\n";
  std::string written;
  std::size_t depth = 0;
  OnSmallStack([&] {
    WineHiveFile hive = Parse(text);
    wine_tree::MarkAllChanged(hive.root.get());
    written = FormatWineRegistry(hive, nullptr, nullptr);
    std::vector<WineBlockSpan> spans;
    std::string kept = FormatWineRegistry(hive, nullptr, &spans);
    CommitWineText(&hive, nullptr, kept, spans);
    WineHiveFile again = Parse(written);
    for (const RegNode* node = again.root.get(); !node->subkeys.empty(); node = node->subkeys[0].get())
      ++depth;
  });
  EXPECT_EQ(depth, static_cast<std::size_t>(kDepth));
  EXPECT_NE(written.find("\"v\"=\"deep\""), std::string::npos);
}

// Peak resident memory (VmHWM) of this process in bytes, after `reset`
// clears it down to what is resident now.
std::uint64_t PeakResident(bool reset) {
  if (reset) {
    std::ofstream("/proc/self/clear_refs") << "5";
  }
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
  }
  return 0;
}

// Reads `text` in a fresh process and answers how much memory that took
// (a copy of the text included).
std::uint64_t CostOfReading(const std::string& text) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return 0;
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    const std::uint64_t before = PeakResident(true);
    std::uint64_t cost = 0;
    {
      WineHiveFile hive;
      std::string error;
      if (ParseWineRegistry(text, "system.reg", &hive, &error)) cost = PeakResident(false) - before;
    }
    if (write(pipe_fds[1], &cost, sizeof cost) != sizeof cost) _exit(1);
    _exit(0);
  }
  close(pipe_fds[1]);
  std::uint64_t cost = 0;
  if (read(pipe_fds[0], &cost, sizeof cost) != sizeof cost) cost = 0;
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return cost;
}

TEST(WineFormatHostileTest, AHugeValueCostsLittleMoreThanItsOwnSize) {
  // A 2 GiB string once took 10.5 GB to read: read into a buffer that grew
  // by doubling, then copied. 48 MiB of text show the same shape: 96 MiB
  // of UTF-16 data, and the text copy that ParseWineRegistry keeps.
  constexpr std::size_t kUnits = 48u << 20;
  std::string text = std::string(kHeader) + "[Big] 1\n\"s\"=\"";
  text.reserve(text.size() + kUnits + 64);
  text.append(kUnits, 'a');
  text += "\"\n";
  const std::uint64_t string_cost = CostOfReading(text);
  ASSERT_NE(string_cost, 0u) << "peak memory could not be measured";
  // The data itself (2 bytes a unit) plus the text: no second copy of either.
  EXPECT_LT(string_cost, 2 * kUnits + kUnits + kUnits / 2) << string_cost;
}

TEST(WineFormatHostileTest, AHugeHexValueIsReadInLinearTimeAndSpace) {
  // Hex data as wineserver writes it, 25 bytes a line: the buffer grown to
  // the exact need of each line was copied once per line (quadratic).
  constexpr std::size_t kBytes = 8u << 20;
  std::string hex = std::string(kHeader) + "[Big] 1\n\"h\"=hex:";
  hex.reserve(hex.size() + kBytes * 3 + kBytes / 8 + 64);
  for (std::size_t i = 0; i < kBytes; ++i) {
    hex += "ab";
    if (i + 1 < kBytes) hex += (i % 25 == 24) ? ",\\\n  " : ",";
  }
  hex += "\n";
  const std::uint64_t hex_cost = CostOfReading(hex);
  ASSERT_NE(hex_cost, 0u);
  // The text copy, the data, and one more copy of the data while it grows.
  EXPECT_LT(hex_cost, hex.size() + 3 * kBytes) << hex_cost;
}

}  // namespace
}  // namespace platform
