// `clarivo-cli prefixes` on a fake home folder, and --registry naming a
// listed prefix by its number or name.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tools/clarivo-cli/prefix_choice.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBinDir = CLARIVO_BIN_DIR;
const fs::path kDemo = fs::path(CLARIVO_SOURCE_DIR) / "examples/demo-prefix";

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class CliPrefixesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kBinDir / "func_Clarivo.so")) << "engine not built";
    char pattern[] = "/tmp/clarivo-cli-prefixes.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    temp_ = pattern;
    home_ = temp_ / "home";
    // Three prefixes: the default one, a Steam game and a bottle, the last
    // two both named "Shared"; and a half-made one.
    CopyDemo(home_ / ".wine");
    const fs::path steam = home_ / ".local/share/Steam/steamapps";
    CopyDemo(steam / "compatdata/220/pfx");
    std::ofstream(steam / "appmanifest_220.acf") << "\"AppState\" { \"name\" \"Shared\" }";
    CopyDemo(home_ / ".local/share/bottles/bottles/b1");
    std::ofstream(home_ / ".local/share/bottles/bottles/b1/bottle.yml") << "Name: shared\n";
    fs::create_directories(home_ / "Games/half");
    std::ofstream(home_ / "Games/half/system.reg") << "WINE REGISTRY Version 2\n";
  }
  void TearDown() override {
    if (!temp_.empty()) fs::remove_all(temp_);
  }

  static void CopyDemo(const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy(kDemo, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }

  Outcome Cli(const std::vector<std::string>& args, const std::string& env = "") {
    std::string command =
        "cd " + Quote(temp_.string()) +
        " && env -u CLARIVO_REGISTRY -u WINEPREFIX -u XDG_CONFIG_HOME HOME=" + Quote(home_.string()) +
        " XDG_DATA_HOME=" + Quote((temp_ / "xdg").string()) + " " + env + " " +
        Quote((kBinDir / "clarivo-cli").string());
    for (const std::string& arg : args) command += " " + Quote(arg);
    command +=
        " >" + Quote((temp_ / "out").string()) + " 2>" + Quote((temp_ / "err").string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(temp_ / "out"), Slurp(temp_ / "err")};
  }

  // The registry a scan of `choice` worked on, from its JSON document.
  std::string ScannedRegistry(const std::string& choice) {
    const Outcome r = Cli({"scan", "--json", "--type", "10", "--registry", choice});
    EXPECT_TRUE(r.status == 0 || r.status == 1) << r.err;
    return nlohmann::json::parse(r.out)["registry"].get<std::string>();
  }

  fs::path temp_;
  fs::path home_;
};

TEST_F(CliPrefixesTest, ListsThePrefixesAsTextAndJson) {
  const std::string steam_pfx = (home_ / ".local/share/Steam/steamapps/compatdata/220/pfx").string();
  Outcome r = Cli({"prefixes"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string expected_start =
      "1* .wine (~/.wine)\n   " + (home_ / ".wine").string() + "\n   system.reg ";
  EXPECT_EQ(r.out.rfind(expected_start, 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\n2  Shared (Steam)\n   " + steam_pfx + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n3  shared (Bottles)\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("half"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("KiB, last change 20"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n* the registry used when --registry is not given\n"), std::string::npos);

  r = Cli({"prefixes", "--json"}, "WINEPREFIX=" + Quote(steam_pfx));
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(r.out);
  ASSERT_EQ(doc["prefixes"].size(), 3u);
  const nlohmann::json& first = doc["prefixes"][0];
  EXPECT_EQ(first["number"], 1);
  EXPECT_EQ(first["name"], "Shared");
  EXPECT_EQ(first["source"], "WINEPREFIX");
  EXPECT_EQ(first["path"], steam_pfx);
  EXPECT_EQ(first["system_reg"]["size"], fs::file_size(kDemo / "system.reg"));
  EXPECT_EQ(first["user_reg"]["size"], fs::file_size(kDemo / "user.reg"));
  EXPECT_EQ(first["in_use"], false);
  EXPECT_EQ(first["default"], true);
  EXPECT_EQ(doc["prefixes"][1]["default"], false);
  EXPECT_EQ(first["last_change"].get<std::string>().size(), 20u);

  fs::remove_all(home_);
  fs::create_directories(home_);
  r = Cli({"prefixes"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "No Wine prefixes found. Add one with 'clarivo-cli prefixes add DIR'.\n");
  EXPECT_EQ(nlohmann::json::parse(Cli({"prefixes", "--json"}).out)["prefixes"].size(), 0u);
}

TEST_F(CliPrefixesTest, RegistryIsChosenByNumberNameOrFolder) {
  const std::string wine = "wine:" + (home_ / ".wine").string();
  const std::string steam = "wine:" + (home_ / ".local/share/Steam/steamapps/compatdata/220/pfx").string();
  const std::string bottle = "wine:" + (home_ / ".local/share/bottles/bottles/b1").string();
  EXPECT_EQ(ScannedRegistry("1"), wine);
  EXPECT_EQ(ScannedRegistry("3"), bottle);
  EXPECT_EQ(ScannedRegistry("Shared"), steam);  // the exact name before one of another case
  EXPECT_EQ(ScannedRegistry("shared"), bottle);
  EXPECT_EQ(ScannedRegistry(".WINE"), wine);

  // Two names that differ only in case, neither exact: a usage error naming both.
  Outcome r = Cli({"scan", "--registry", "SHARED"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("2  " + steam.substr(5)), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("3  " + bottle.substr(5)), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  r = Cli({"scan", "--registry", "4"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no prefix number 4"), std::string::npos) << r.err;
  EXPECT_EQ(Cli({"scan", "--registry", "0"}).status, 2);
  // Neither a folder nor a name: opening it names the cause.
  r = Cli({"scan", "--registry", "Nothing"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("Nothing"), std::string::npos) << r.err;

  // A folder of that name (relative to where the cli runs) wins over the list.
  CopyDemo(temp_ / "2");
  EXPECT_EQ(ScannedRegistry("2"), "wine:" + (temp_ / "2").string());
}

TEST_F(CliPrefixesTest, FoldersAreAddedAndRemovedByHand) {
  CopyDemo(temp_ / "mine");
  Outcome r = Cli({"prefixes", "add", (temp_ / "mine").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(home_ / ".config/Quorvex-Clarivo/prefixes"));
  r = Cli({"prefixes"});
  EXPECT_NE(r.out.find("\n4  mine (added)\n"), std::string::npos) << r.out;
  EXPECT_EQ(ScannedRegistry("mine"), "wine:" + (temp_ / "mine").string());

  r = Cli({"prefixes", "add", (home_ / "Games/half").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no user.reg"), std::string::npos) << r.err;
  EXPECT_EQ(Cli({"prefixes", "add"}).status, 2);
  EXPECT_EQ(Cli({"prefixes", "move", "x"}).status, 2);
  EXPECT_EQ(Cli({"prefixes", "--json", "add", "x"}).status, 2);

  EXPECT_EQ(Cli({"prefixes", "remove", (temp_ / "mine").string()}).status, 0);
  EXPECT_EQ(Cli({"prefixes"}).out.find("mine"), std::string::npos);
  EXPECT_EQ(Cli({"prefixes", "remove", (temp_ / "mine").string()}).status, 2);
}

TEST(PrefixChoice, SourcesAndFoldersAreLeftAlone) {
  std::vector<platform::WinePrefix> listed(1);
  listed[0].name = "wine:x";
  listed[0].path = "/p";
  std::string error;
  for (const std::string word : {"wine:x", "hive:/mnt", "/"}) {
    std::string changed = word;
    EXPECT_TRUE(cli::ResolveRegistryWord(listed, &changed, &error));
    EXPECT_EQ(changed, word);
  }
  std::string huge = "99999999999999999999";
  EXPECT_TRUE(cli::ResolveRegistryWord(listed, &huge, &error));  // no number: opening it reports it
  EXPECT_EQ(huge, "99999999999999999999");
}

}  // namespace
