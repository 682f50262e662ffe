// clarivo-cli run as a program on working copies of the demo prefix: what a
// scan finds, the refusals, and a fix followed by a restore.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = CLARIVO_SOURCE_DIR;
const fs::path kBinDir = CLARIVO_BIN_DIR;
const fs::path kDemo = kSourceDir / "examples/demo-prefix";

struct Expected {
  int type;
  int index;
  std::string name;
  std::string key;
  bool operator==(const Expected&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Expected& e) {
  return out << e.type << "/" << e.index << " " << e.name << " @ " << e.key;
}

std::string ReadFile(const fs::path& path) {
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

// The stale-entry table of the demo prefix's README: "| 1 | 0 | `name` | `key` |".
std::vector<Expected> DocumentedStaleEntries() {
  std::vector<Expected> rows;
  std::istringstream readme(ReadFile(kDemo / "README.md"));
  std::string line;
  bool in_table = false;
  while (std::getline(readme, line)) {
    if (line.rfind("| Type | Index | Name | Key |", 0) == 0) in_table = true;
    if (!in_table || line.rfind("| ", 0) != 0) continue;
    const std::size_t n1 = line.find("` | `");
    if (n1 == std::string::npos) continue;
    Expected e{};
    char bar = 0;
    std::istringstream numbers(line.substr(1));
    numbers >> e.type >> bar >> e.index;
    const std::size_t name_start = line.find('`') + 1;
    e.name = line.substr(name_start, n1 - name_start);
    const std::size_t key_start = n1 + 5;
    e.key = line.substr(key_start, line.rfind('`') - key_start);
    rows.push_back(e);
  }
  return rows;
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class CliProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kBinDir / "func_Clarivo.so")) << "engine not built";
    ASSERT_TRUE(fs::exists(kBinDir / "clarivo-regedit")) << "registry editor not built";
    char pattern[] = "/tmp/clarivo-cli-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    temp_ = pattern;
    prefix_ = temp_ / "prefix";
    fs::copy(kDemo, prefix_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::create_directories(temp_ / "home");
  }
  void TearDown() override {
    if (!temp_.empty()) fs::remove_all(temp_);
  }

  std::string Registry() const { return "wine:" + prefix_.string(); }

  // Runs a program with a clean environment: HOME and XDG_DATA_HOME inside the
  // temp folder, no inherited registry selection. `input` feeds standard input
  // (not a terminal); `env` adds variables. `program` is a name in the build's
  // bin folder or an absolute path; empty runs what `env` names.
  Result RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::string& env = "", const std::string& input = "") {
    std::string command =
        "env -u CLARIVO_REGISTRY -u WINEPREFIX -u COMSPEC HOME=" + Quote((temp_ / "home").string()) +
        " XDG_DATA_HOME=" + Quote((temp_ / "xdg").string()) + " " + env;
    if (!program.empty()) command += " " + Quote((kBinDir / program).string());
    for (const std::string& arg : args) command += " " + Quote(arg);
    std::ofstream(temp_ / "stdin") << input;
    command += " <" + Quote((temp_ / "stdin").string()) + " >" + Quote((temp_ / "stdout").string()) + " 2>" +
               Quote((temp_ / "stderr").string());
    const int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(temp_ / "stdout");
    result.err = ReadFile(temp_ / "stderr");
    return result;
  }
  Result Cli(const std::vector<std::string>& args, const std::string& env = "") {
    return RunProgram("clarivo-cli", args, env);
  }

  std::vector<Expected> ScanJson(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"scan", "--json", "--registry", Registry()};
    args.insert(args.end(), extra.begin(), extra.end());
    const Result r = Cli(args);
    EXPECT_TRUE(r.status == 0 || r.status == 1) << r.err;
    std::vector<Expected> found;
    const nlohmann::json doc = nlohmann::json::parse(r.out);  // exactly one document, or this throws
    EXPECT_EQ(doc["registry"], Registry());
    for (const auto& f : doc["findings"]) {
      found.push_back({f["type"].get<int>(), f["index"].get<int>(), f["name"].get<std::string>(),
                       f["key"].get<std::string>()});
    }
    EXPECT_EQ(r.status, found.empty() ? 0 : 1);
    return found;
  }

  // Both hives exported by clarivo-regedit, as key -> sorted value lines, so
  // that two registries compare equal whatever order values were re-added in.
  std::map<std::string, std::multiset<std::string>> ExportedRegistry(const std::string& tag) {
    std::map<std::string, std::multiset<std::string>> keys;
    for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}) {
      const fs::path file = temp_ / (tag + "-" + root + ".reg");
      const Result r =
          RunProgram("clarivo-regedit", {"/e", file.string(), root}, "CLARIVO_REGISTRY=" + Quote(Registry()));
      EXPECT_EQ(r.status, 0) << r.err;
      const std::string bytes = ReadFile(file);
      std::string text;  // UTF-16LE to one byte per unit is enough for comparing
      for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i + 1] == 0 ? bytes[i] : '?';
      std::string current, line, logical;
      std::istringstream in(text);
      while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        logical += line;
        if (!logical.empty() && logical.back() == '\\') {
          logical.pop_back();
          continue;
        }
        if (logical.rfind('[', 0) == 0) {
          current = logical;
          keys[current];
        } else if (!logical.empty() && !current.empty()) {
          keys[current].insert(logical);
        }
        logical.clear();
      }
    }
    EXPECT_GT(keys.size(), 60u) << "the exports of " << tag << " were not read";
    return keys;
  }

  fs::path temp_;
  fs::path prefix_;
};

TEST_F(CliProgramTest, ScanFindsExactlyTheDocumentedStaleEntries) {
  const std::vector<Expected> expected = DocumentedStaleEntries();
  ASSERT_EQ(expected.size(), 30u) << "the README table could not be read";
  EXPECT_EQ(ScanJson(), expected);

  // Text output: every category with its count, then the total; no progress
  // bar without a terminal.
  const Result r = Cli({"scan", "--registry", Registry()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "");
  for (const char* line : {"MissingShareDLL (type 1): 2\n", "InvalidActiveXAndCOM (type 3): 5\n",
                           "InvalidOpenWithApplication (type 7): 3\n", "MUICache (type 8): 3\n",
                           "UnusedFileExtensions (type 13): 5\n", "Total: 30\n"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  }
  EXPECT_NE(r.out.find("  C:\\Program Files\\Ancien Logiciel\\\xC3\xA9"
                       "diteur.exe\n"),
            std::string::npos);
}

TEST_F(CliProgramTest, TypeSelectionScansOnlyTheChosenTypes) {
  std::vector<Expected> expected;
  for (const Expected& e : DocumentedStaleEntries()) {
    if (e.type == 3 || e.type == 8) expected.push_back(e);
  }
  EXPECT_EQ(ScanJson({"--type", "MUICache", "--type", "3"}), expected);

  const Result text = Cli({"scan", "--registry", Registry(), "--type", "10"});
  EXPECT_NE(text.out.find("ObsoleteSoftware (type 10): 2\n"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("MissingShareDLL"), std::string::npos) << text.out;
}

TEST_F(CliProgramTest, UsageErrorsAndHelp) {
  Result r = Cli({"scan", "--type", "9"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("'9'"), std::string::npos) << r.err;
  EXPECT_EQ(Cli({"vacuum"}).status, 2);
  EXPECT_EQ(Cli({}).status, 2);
  EXPECT_EQ(Cli({"restore"}).status, 2);
  EXPECT_EQ(Cli({"scan", "--backup-dir", "/tmp"}).status, 2);
  r = Cli({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"scan", "fix", "restore", "Exit status"})
    EXPECT_NE(r.out.find(word), std::string::npos);
  for (const char* command : {"scan", "fix", "restore"}) {
    r = Cli({command, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(std::string("Usage: clarivo-cli ") + command, 0), 0u) << r.out;
  }
}

TEST_F(CliProgramTest, RegistryThatCannotBeOpenedIsNamedWithItsCause) {
  const std::string missing = (temp_ / "no-such-prefix").string();
  Result r = Cli({"scan", "--registry", "wine:" + missing});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");

  // A malformed line in system.reg: the message names the file.
  std::ofstream(prefix_ / "system.reg", std::ios::app) << "\n[Software\\\\Broken\n\"value\"=bogus:zz\n";
  r = Cli({"scan", "--json", "--registry", Registry()});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("system.reg"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  r = Cli({"fix", "--yes", "--registry", Registry()});
  EXPECT_EQ(r.status, 3);

  // The default source is CLARIVO_REGISTRY, then WINEPREFIX.
  EXPECT_EQ(Cli({"scan"}, "CLARIVO_REGISTRY=" + Quote("wine:" + missing)).status, 3);
  fs::remove(prefix_ / "system.reg");
  fs::copy(kDemo / "system.reg", prefix_ / "system.reg");
  EXPECT_EQ(Cli({"scan", "--type", "1"}, "WINEPREFIX=" + Quote(prefix_.string())).status, 1);
}

TEST_F(CliProgramTest, ProgressBarAndQuestionOnATerminal) {
  if (std::system("script -qec true /dev/null >/dev/null 2>&1 </dev/null") != 0) {
    GTEST_SKIP() << "script(1) cannot run a pseudo-terminal here";
  }
  const std::string before = ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg");
  // script(1) runs the cli on a pseudo-terminal: standard error and input are terminals.
  const std::string inner =
      Quote((kBinDir / "clarivo-cli").string()) + " fix --registry " + Quote(Registry());
  const Result r = RunProgram("", {}, "script -qec " + Quote(inner) + " /dev/null", "n\n");
  EXPECT_EQ(r.status, 6) << r.out << r.err;
  EXPECT_NE(r.out.find("% Scanning InvalidActiveXAndCOM"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Delete 30 entries? [y/N]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Nothing was changed."), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg"), before);
}

TEST_F(CliProgramTest, FixIsRefusedWithoutConfirmationAndChangesNothing) {
  const std::string before = ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg");
  const Result r = RunProgram("clarivo-cli", {"fix", "--registry", Registry()}, "", "y\n");
  EXPECT_EQ(r.status, 6);
  EXPECT_NE(r.err.find("--yes"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg"), before);
  EXPECT_FALSE(fs::exists(temp_ / "xdg/Quorvex-Clarivo/backups"));
}

TEST_F(CliProgramTest, FixDeletesNothingWhenTheBackupFails) {
  // A cli alone carries the engine's code and the exports: it scans without
  // func_Clarivo.so and backs up without clarivo-regedit beside it.
  const fs::path bin = temp_ / "bin";
  fs::create_directories(bin);
  fs::copy(kBinDir / "clarivo-cli", bin / "clarivo-cli");
  Result r = RunProgram((bin / "clarivo-cli").string(), {"scan", "--registry", Registry()});
  EXPECT_EQ(r.status, 1) << "the stale entries are found without func_Clarivo.so beside the cli" << r.err;
  const fs::path backups = temp_ / "backups";
  r = RunProgram((bin / "clarivo-cli").string(),
                 {"backup", "--backup-dir", backups.string(), "--registry", Registry()});
  EXPECT_EQ(r.status, 0) << r.err;

  // A key whose name holds a line break cannot go into a .reg file: the
  // backup fails, and then nothing may be deleted.
  std::ofstream(prefix_ / "system.reg", std::ios::app)
      << "\n[Software\\\\Broken\\nName] 1700000000\n\"v\"=\"x\"\n";
  const std::string before = ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg");
  r = RunProgram((bin / "clarivo-cli").string(),
                 {"fix", "--yes", "--backup-dir", backups.string(), "--registry", Registry()});
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("line break"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("nothing was deleted"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(prefix_ / "system.reg") + ReadFile(prefix_ / "user.reg"), before);
  int folders = 0;
  for (const auto& entry : fs::directory_iterator(backups)) folders += entry.is_directory();
  EXPECT_EQ(folders, 1) << "only the first backup's folder; a failed backup leaves none behind";
}

TEST_F(CliProgramTest, FixBacksUpBothHivesThenRemovesEveryStaleEntry) {
  // The cli beside a program whose ini puts its backups in "Backup".
  const fs::path bin = temp_ / "bin";
  fs::create_directories(bin);
  for (const char* file : {"clarivo-cli", "clarivo-regedit", "func_Clarivo.so"})
    fs::copy(kBinDir / file, bin / file);
  std::ofstream(bin / "Clarivo.ini") << "[Deploy]\nRegBackup=Backup\\\n";
  const Result r = RunProgram((bin / "clarivo-cli").string(), {"fix", "--yes", "--registry", Registry()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Rescan: nothing left."), std::string::npos) << r.out;

  // One new restore point of twelve digits in the program's backup folder.
  std::vector<fs::path> folders;
  for (const auto& entry : fs::directory_iterator(bin / "Backup")) {
    if (entry.is_directory()) folders.push_back(entry.path());
  }
  ASSERT_EQ(folders.size(), 1u);
  const std::string name = folders[0].filename().string();
  EXPECT_EQ(name.size(), 12u);
  EXPECT_EQ(name.find_first_not_of("0123456789"), std::string::npos) << name;
  for (const char* file : {"reg.reg", "reg_user.reg"}) EXPECT_GT(fs::file_size(folders[0] / file), 100u);
  EXPECT_NE(r.out.find("Backup: " + folders[0].string() + "/ (restore point 1)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("clarivo-cli restore --registry"), std::string::npos);
  const Result list = RunProgram((bin / "clarivo-cli").string(), {"backups"});
  EXPECT_NE(list.out.find("  1  "), std::string::npos) << list.out;
  EXPECT_NE(list.out.find(folders[0].string() + "/"), std::string::npos) << list.out;

  EXPECT_EQ(ScanJson(), std::vector<Expected>{});
  // Valid entries survive.
  const auto keys = ExportedRegistry("after");
  EXPECT_TRUE(keys.count("[HKEY_LOCAL_MACHINE\\Software\\Classes\\Demo.Document\\DefaultIcon]"));
  EXPECT_TRUE(keys.count("[HKEY_CURRENT_USER\\Software\\Named Default Vendor]"));
  EXPECT_FALSE(keys.count("[HKEY_CURRENT_USER\\Software\\Abandoned Vendor]"));
}

TEST_F(CliProgramTest, RestorePointsAreMadeListedRestoredAndDeletedByNumber) {
  const std::string backups = (temp_ / "points").string();
  const auto before = ExportedRegistry("before");
  Result r = Cli({"backups", "--backup-dir", backups});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("No restore points"), std::string::npos) << r.out;
  r = Cli({"backup", "--registry", Registry(), "--backup-dir", backups});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Restore point 1: "), std::string::npos) << r.out;
  r = Cli({"fix", "--yes", "--registry", Registry(), "--backup-dir", backups});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("(restore point 2)"), std::string::npos) << r.out;
  r = Cli({"backups", "--backup-dir", backups});
  const std::size_t first = r.out.find("\n  1  "), second = r.out.find("\n  2  ");
  ASSERT_NE(first, std::string::npos) << r.out;
  ASSERT_NE(second, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("\n  3  "), std::string::npos) << r.out;

  // Point 1 was taken before the fix: restoring it brings everything back.
  r = Cli({"restore", "--registry", Registry(), "--backup-dir", backups, "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ExportedRegistry("restored"), before);
  EXPECT_EQ(Cli({"restore", "--registry", Registry(), "--backup-dir", backups, "3"}).status, 2);

  // Deleting point 1 removes its folder only; point 2 becomes point 1.
  std::vector<std::string> folders;
  for (const auto& entry : fs::directory_iterator(backups)) {
    if (entry.is_directory()) folders.push_back(entry.path().filename().string());
  }
  std::sort(folders.begin(), folders.end());
  ASSERT_EQ(folders.size(), 2u);
  r = Cli({"delete", "--backup-dir", backups, "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(fs::path(backups) / folders[0]));
  EXPECT_TRUE(fs::exists(fs::path(backups) / folders[1] / "reg.reg"));
  r = Cli({"backups", "--backup-dir", backups});
  EXPECT_NE(r.out.find("  1  "), std::string::npos);
  EXPECT_NE(r.out.find(folders[1]), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("  2  "), std::string::npos) << r.out;
  EXPECT_EQ(Cli({"delete", "--backup-dir", backups, "2"}).status, 2);
  EXPECT_EQ(Cli({"delete", "--backup-dir", backups, "x"}).status, 2);
}

TEST_F(CliProgramTest, RestoreBringsTheRegistryBack) {
  const auto before = ExportedRegistry("before");
  const fs::path backups = temp_ / "backups";
  Result r = Cli({"fix", "--yes", "--backup-dir", backups.string(), "--registry", Registry()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ASSERT_EQ(ScanJson(), std::vector<Expected>{});
  fs::path folder;
  for (const auto& entry : fs::directory_iterator(backups)) {
    if (entry.is_directory()) folder = entry.path();
  }
  ASSERT_FALSE(folder.empty());

  r = Cli({"restore", "--registry", Registry(), folder.string()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ScanJson(), DocumentedStaleEntries());
  EXPECT_EQ(ExportedRegistry("restored"), before);

  // A second fix right away gets its own folder, never the first one's.
  r = Cli({"fix", "--yes", "--backup-dir", backups.string(), "--registry", Registry()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  int folders = 0;
  for (const auto& entry : fs::directory_iterator(backups)) folders += entry.is_directory();
  EXPECT_EQ(folders, 2);
}

// The wineserver of Debian's wine64 package, when installed.
std::string WineserverPath() {
  for (const char* path : {"/usr/bin/wineserver", "/usr/lib/wine/wineserver64", "/usr/lib/wine/wineserver"}) {
    if (access(path, X_OK) == 0) return path;
  }
  return {};
}

TEST_F(CliProgramTest, RunningWineserverMakesScanWarnAndFixAndRestoreRefuse) {
  const std::string wineserver = WineserverPath();
  if (wineserver.empty()) GTEST_SKIP() << "Wine is not installed (wine64)";
  const std::string server_env = "WINEPREFIX=" + Quote(prefix_.string()) + " " + Quote(wineserver);
  ASSERT_EQ(RunProgram("", {}, server_env + " -p").status, 0);  // persistent server, in the background
  struct Stop {
    std::function<void()> run;
    ~Stop() { run(); }
  } stop{[&] { RunProgram("", {}, server_env + " -k"); }};

  Result r;
  for (int i = 0; i < 50 && r.err.find("wineserver") == std::string::npos; ++i) {
    usleep(100 * 1000);
    r = Cli({"scan", "--type", "1", "--registry", Registry()});
  }
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("warning"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("wineserver"), std::string::npos) << r.err;

  r = Cli({"fix", "--yes", "--registry", Registry()});
  EXPECT_EQ(r.status, 6);
  EXPECT_NE(r.err.find("refusing"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(temp_ / "xdg/Quorvex-Clarivo/backups"));
  fs::create_directories(temp_ / "backup");
  fs::copy(kDemo / "system.reg", temp_ / "backup/reg.reg");
  EXPECT_EQ(Cli({"restore", "--registry", Registry(), (temp_ / "backup").string()}).status, 6);
}

TEST_F(CliProgramTest, RestoreOfAFolderWithoutBackupFails) {
  fs::create_directories(temp_ / "empty-backup");
  Result r = Cli({"restore", "--registry", Registry(), (temp_ / "empty-backup").string()});
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("reg.reg"), std::string::npos) << r.err;
  r = Cli({"restore", "--registry", Registry(), (temp_ / "missing").string()});
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;

  // A malformed backup file: the import fails and says so.
  fs::create_directories(temp_ / "bad-backup");
  std::ofstream(temp_ / "bad-backup/reg_user.reg") << "not a registry file\n";
  r = Cli({"restore", "--registry", Registry(), (temp_ / "bad-backup").string()});
  EXPECT_EQ(r.status, 4);
}

}  // namespace
