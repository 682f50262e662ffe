// The generated registry must be what Wine itself would have written, or the
// benchmark measures a file no real prefix has.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "bench/hive_builder.h"
#include "bench/registry_generator.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/windows_system.h"
#include "platform/wine_format.h"

namespace {

namespace fs = std::filesystem;

const platform::RegNode* Find(const platform::RegNode* node, std::u16string_view path) {
  while (node && !path.empty()) {
    const std::size_t cut = path.find(u'\\');
    node = node->FindSubkey(path.substr(0, cut));
    path = cut == std::u16string_view::npos ? std::u16string_view() : path.substr(cut + 1);
  }
  return node;
}

std::vector<std::uint8_t> Utf16z(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

TEST(HiveBuilder, WritesWhatTheRegistryReaderReadsAndRewritesUnchanged) {
  bench::HiveBuilder hive("REGISTRY\\Machine");
  // Out of order on purpose, with names that sort differently with and without case.
  auto* b = hive.Key("Software\\Zeta\\b");
  hive.Sz(b, "", "C:\\Program Files\\x.exe \"%1\"");
  hive.ExpandSz(b, "Path", "%SystemRoot%\\system32");
  hive.Dword(hive.Key("Software\\Zeta\\A_"), "Count", 0x1234);
  hive.Key("Software\\Zeta\\a1");  // empty leaf: a block of its own
  hive.Binary(hive.Key("Software\\alpha"), "Blob", {0x00, 0xff, 0x10});
  hive.MultiSz(hive.Key("Software\\alpha"), "Multi", {"one", "two"});
  hive.Sz(hive.Key("Software\\_under"), "Quote\"d\\name", "");
  EXPECT_EQ(hive.key_count(), 7u);  // Software and Zeta are implied, but keys all the same
  EXPECT_EQ(hive.value_count(), 6u);

  std::ostringstream out;
  hive.Write(out);
  const std::string text = out.str();
  platform::WineHiveFile file;
  std::string error;
  ASSERT_TRUE(platform::ParseWineRegistry(text, "test.reg", &file, &error)) << error << "\n" << text;

  // Keys that only hold subkeys get no block: wineserver leaves them implied.
  EXPECT_EQ(text.find("[Software]"), std::string::npos);
  EXPECT_EQ(text.find("[Software\\\\Zeta]"), std::string::npos);
  EXPECT_NE(text.find("[Software\\\\Zeta\\\\a1]"), std::string::npos);

  const platform::RegNode* zeta_b = Find(file.root.get(), u"Software\\Zeta\\b");
  ASSERT_NE(zeta_b, nullptr);
  ASSERT_EQ(zeta_b->values.size(), 2u);
  EXPECT_EQ(zeta_b->values[0].name, u"");
  EXPECT_EQ(zeta_b->values[0].type, platform::kRegSz);
  EXPECT_EQ(zeta_b->values[0].data, Utf16z(u"C:\\Program Files\\x.exe \"%1\""));
  EXPECT_EQ(zeta_b->values[1].type, platform::kRegExpandSz);
  EXPECT_EQ(zeta_b->values[1].data, Utf16z(u"%SystemRoot%\\system32"));

  const platform::RegNode* a_ = Find(file.root.get(), u"Software\\Zeta\\A_");
  ASSERT_NE(a_, nullptr);
  ASSERT_EQ(a_->values.size(), 1u);
  EXPECT_EQ(a_->values[0].type, platform::kRegDword);
  EXPECT_EQ(a_->values[0].data, (std::vector<std::uint8_t>{0x34, 0x12, 0, 0}));

  const platform::RegNode* alpha = Find(file.root.get(), u"Software\\alpha");
  ASSERT_NE(alpha, nullptr);
  ASSERT_EQ(alpha->values.size(), 2u);
  EXPECT_EQ(alpha->values[0].type, platform::kRegBinary);
  EXPECT_EQ(alpha->values[0].data, (std::vector<std::uint8_t>{0x00, 0xff, 0x10}));
  EXPECT_EQ(alpha->values[1].type, platform::kRegMultiSz);
  EXPECT_EQ(alpha->values[1].data,
            (std::vector<std::uint8_t>{'o', 0, 'n', 0, 'e', 0, 0, 0, 't', 0, 'w', 0, 'o', 0, 0, 0, 0, 0}));

  const platform::RegNode* under = Find(file.root.get(), u"Software\\_under");
  ASSERT_NE(under, nullptr);
  ASSERT_EQ(under->values.size(), 1u);
  EXPECT_EQ(under->values[0].name, u"Quote\"d\\name");

  // The platform writer emits keys in wineserver's order; if ours differed,
  // the rewritten file would too.
  EXPECT_EQ(platform::FormatWineRegistry(file, nullptr, nullptr), text);
}

class GeneratedPrefix : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/clarivo-generator-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string dir_;
};

TEST_F(GeneratedPrefix, HasTheRequestedShapeAndTheFilesValidEntriesNeed) {
  bench::GeneratorOptions options;
  options.scale = 0.01;
  const std::string prefix = dir_ + "/prefix";
  const bench::GeneratedPrefix made = bench::GeneratePrefix(prefix, options);

  // About the target size: 7,000 keys and exactly 12,000 values at this scale.
  const std::uint64_t keys = made.system_keys + made.user_keys;
  EXPECT_GE(keys, 6900u);
  EXPECT_LE(keys, 7300u);
  EXPECT_EQ(made.system_values + made.user_values, 12000u);
  for (int type : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13}) EXPECT_GT(made.expected[type], 0) << "type " << type;

  // What the registry layer itself makes of it.
  std::string error;
  auto system = platform::OpenWindowsSystem("wine:" + prefix, &error);
  ASSERT_NE(system, nullptr) << error;
  platform::Registry& registry = system->registry();
  std::uint32_t subkeys = 0, values = 0;
  ASSERT_EQ(registry.QueryInfo(platform::kClassesRoot, &subkeys, &values), platform::kRegOk);
  EXPECT_EQ(subkeys, 1000u);
  platform::RegKey clsid = 0;
  ASSERT_EQ(registry.OpenKey(platform::kClassesRoot, u"CLSID", &clsid), platform::kRegOk);
  ASSERT_EQ(registry.QueryInfo(clsid, &subkeys, &values), platform::kRegOk);
  EXPECT_EQ(subkeys, 200u);
  registry.CloseKey(clsid);

  // Paths resolve through dosdevices/c:, and the user's start menu is found.
  EXPECT_TRUE(system->PathFileExists(u"C:\\windows\\system32\\lib0001.dll"));
  EXPECT_TRUE(system->PathFileExists(u"C:\\Program Files\\Vendor001\\prog0001.exe"));
  EXPECT_FALSE(system->PathFileExists(u"C:\\Program Files\\Removed app 00003\\gone00003.exe"));
  EXPECT_EQ(system->GetSpecialFolder(platform::kCsidlStartMenu),
            u"C:\\users\\bench\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");

  // A second run never writes over a prefix.
  EXPECT_THROW(bench::GeneratePrefix(prefix, options), std::runtime_error);
}

}  // namespace
