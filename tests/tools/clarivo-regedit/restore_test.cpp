// A restore as restore points make it: both hives exported before a fix,
// imported again with "clarivo-regedit /s" afterwards. Every key and value
// comes back, and keys the fix did not touch stay in the registry files byte
// for byte.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "bench/registry_generator.h"
#include "platform/text.h"
#include "platform/wine_registry.h"

namespace {

namespace fs = std::filesystem;
using platform::RegKey;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs clarivo-regedit on the registry at `prefix`; its exit status.
int Regedit(const std::string& prefix, const std::string& args) {
  const std::string command = "CLARIVO_REGISTRY=" + Quote("wine:" + prefix) + " " +
                              Quote(std::string(CLARIVO_BIN_DIR) + "/clarivo-regedit") + " " + args;
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// The key blocks of a Wine registry file, each from its "[" line to the
// blank line after it.
std::vector<std::string> Blocks(const std::string& text) {
  std::vector<std::string> blocks;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\n\n", pos);
    if (end == std::string::npos) end = text.size();
    if (text[pos] == '[') blocks.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return blocks;
}

// An export's text with each key's values in name order: a value a fix
// deleted comes back after the ones that stayed, as Windows adds values.
std::string ValuesSorted(const std::string& utf16_file) {
  std::u16string text;
  for (std::size_t i = 2; i + 1 < utf16_file.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(utf16_file[i]) |
                                         (static_cast<unsigned char>(utf16_file[i + 1]) << 8)));
  }
  const std::string utf8 = platform::ToUtf8(text);
  std::string out;
  std::vector<std::string> values;
  auto flush = [&] {
    std::sort(values.begin(), values.end());
    for (const std::string& v : values) out += v;
    values.clear();
  };
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t end = utf8.find('\n', pos);
    end = end == std::string::npos ? utf8.size() : end + 1;
    const std::string line = utf8.substr(pos, end - pos);
    pos = end;
    if (line.rfind("  ", 0) == 0 && !values.empty()) {
      values.back() += line;  // the continuation of a hex value
    } else if (line[0] == '"' || line[0] == '@') {
      values.push_back(line);
    } else {
      flush();
      out += line;
    }
  }
  flush();
  return out;
}

// Deletes as a fix does: every 23rd key with everything below it, and one
// value of every 7th key that has values, in both hives.
void Fix(platform::Registry& reg) {
  std::vector<std::pair<RegKey, std::u16string>> trees;
  std::vector<std::pair<RegKey, std::u16string>> values;  // key path \x01 value name
  int seen = 0;
  int with_values = 0;
  for (RegKey root : {platform::kLocalMachine, platform::kCurrentUser}) {
    std::vector<std::u16string> pending{u""};
    while (!pending.empty()) {
      const std::u16string path = pending.back();
      pending.pop_back();
      RegKey key = 0;
      ASSERT_EQ(reg.OpenKey(root, path, &key), platform::kRegOk);
      std::uint32_t subkeys = 0, count = 0;
      ASSERT_EQ(reg.QueryInfo(key, &subkeys, &count), platform::kRegOk);
      if (count > 0 && ++with_values % 7 == 0) {
        std::u16string name;
        ASSERT_EQ(reg.EnumValue(key, count / 2, &name, nullptr), platform::kRegOk);
        values.emplace_back(root, path + u'\x01' + name);
      }
      for (std::uint32_t i = 0; i < subkeys; ++i) {
        std::u16string sub;
        ASSERT_EQ(reg.EnumKey(key, i, &sub), platform::kRegOk);
        const std::u16string child = path.empty() ? sub : path + u'\\' + sub;
        if (++seen % 23 == 0) {
          trees.emplace_back(root, child);
        } else {
          pending.push_back(child);
        }
      }
      reg.CloseKey(key);
    }
  }
  ASSERT_GT(trees.size(), 50u);
  ASSERT_GT(values.size(), 50u);
  for (const auto& [root, entry] : values) {
    const std::size_t cut = entry.find(u'\x01');
    RegKey key = 0;
    ASSERT_EQ(reg.OpenKey(root, entry.substr(0, cut), &key), platform::kRegOk);
    ASSERT_EQ(reg.DeleteValue(key, entry.substr(cut + 1)), platform::kRegOk);
    reg.CloseKey(key);
  }
  for (const auto& [root, path] : trees) ASSERT_EQ(reg.DeleteTree(root, path), platform::kRegOk);
  ASSERT_EQ(reg.Flush(), platform::kRegOk);
}

TEST(RegeditRestore, RestoringAFixedRegistryGivesBackTheOriginal) {
  char tmpl[] = "/tmp/clarivo-regedit-restore-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  const std::string original = dir + "/original";
  const std::string fixed = dir + "/fixed";
  bench::GeneratorOptions options;
  options.scale = 0.01;
  bench::GeneratePrefix(original, options);
  fs::create_directories(fixed);
  fs::copy_file(original + "/system.reg", fixed + "/system.reg");
  fs::copy_file(original + "/user.reg", fixed + "/user.reg");

  // The restore point, then the fix.
  ASSERT_EQ(Regedit(original, "/e " + Quote(dir + "/reg.reg") + " HKEY_LOCAL_MACHINE"), 0);
  ASSERT_EQ(Regedit(original, "/e " + Quote(dir + "/reg_user.reg") + " HKEY_CURRENT_USER"), 0);
  {
    std::string error;
    auto reg = platform::WineRegistry::Open(fixed, &error);
    ASSERT_TRUE(reg) << error;
    Fix(*reg);
  }
  const std::string after_fix[2] = {ReadFile(fixed + "/system.reg"), ReadFile(fixed + "/user.reg")};
  ASSERT_NE(after_fix[0], ReadFile(original + "/system.reg"));
  ASSERT_NE(after_fix[1], ReadFile(original + "/user.reg"));

  ASSERT_EQ(Regedit(fixed, "/s " + Quote(dir + "/reg.reg") + " " + Quote(dir + "/reg_user.reg")), 0);

  // Every key and value of the original, and nothing else.
  ASSERT_EQ(Regedit(original, "/e " + Quote(dir + "/before.reg")), 0);
  ASSERT_EQ(Regedit(fixed, "/e " + Quote(dir + "/after.reg")), 0);
  const std::string before = ValuesSorted(ReadFile(dir + "/before.reg"));
  EXPECT_GT(before.size(), 100000u);
  EXPECT_TRUE(before == ValuesSorted(ReadFile(dir + "/after.reg"))) << "the restored registry differs";

  // The blocks the fix left as they were are still as they were.
  for (int hive = 0; hive < 2; ++hive) {
    const std::string name = hive == 0 ? "/system.reg" : "/user.reg";
    const std::vector<std::string> originals = Blocks(ReadFile(original + name));
    const std::vector<std::string> fixed_blocks = Blocks(after_fix[hive]);
    const std::vector<std::string> restored_blocks = Blocks(ReadFile(fixed + name));
    const std::unordered_set<std::string> kept(fixed_blocks.begin(), fixed_blocks.end());
    const std::unordered_set<std::string> after_restore(restored_blocks.begin(), restored_blocks.end());
    std::size_t kept_by_fix = 0, kept_by_restore = 0;
    for (const std::string& block : originals) {
      if (kept.count(block) == 0) continue;
      ++kept_by_fix;
      if (after_restore.count(block) != 0) ++kept_by_restore;
    }
    EXPECT_GT(kept_by_fix, originals.size() / 2) << name;
    EXPECT_EQ(kept_by_restore, kept_by_fix) << name;
  }
  fs::remove_all(dir);
}

}  // namespace
