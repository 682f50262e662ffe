// What a Linux user expects of the two tools: versions, man pages and
// completion, JSON documents, the counts before a fix, questions on a
// terminal, absolute paths to undo a fix, and Ctrl-C during a fix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/clarivo-cli/cli_test_support.h"

namespace {

using namespace cli_test;  // NOLINT(google-build-using-namespace)
namespace fs = std::filesystem;
using CliInterfaceTest = CliSandbox;

bool HaveScript() { return std::system("script -qec true /dev/null >/dev/null 2>&1 </dev/null") == 0; }

TEST_F(CliInterfaceTest, VersionsManPagesAndCompletion) {
  Result r = Cli({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "clarivo-cli 0.1.0\n");
  r = Run("clarivo-regedit", {"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "clarivo-regedit 0.1.0\n");

  // The install puts both man pages and the completion in their places.
  const fs::path root = temp_ / "installed";
  const std::string install = "cmake --install " + Quote(kBinDir.parent_path().string()) + " --prefix " +
                              Quote(root.string()) + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(install.c_str()), 0);
  for (const char* file :
       {"bin/clarivo-cli", "bin/clarivo-regedit", "lib/clarivo/func_Clarivo.so", "share/man/man1/clarivo-cli.1",
        "share/man/man1/clarivo-regedit.1", "share/bash-completion/completions/clarivo-cli"}) {
    EXPECT_TRUE(fs::exists(root / file)) << file;
  }
  const std::string page = ReadFile(root / "share/man/man1/clarivo-cli.1");
  for (const char* word : {".TH CLARIVO-CLI 1", "into\\-other\\-registry", "EXIT STATUS", "reg_user.reg"}) {
    EXPECT_NE(page.find(word), std::string::npos) << word;
  }
  EXPECT_NE(ReadFile(root / "share/man/man1/clarivo-regedit.1").find(".TH CLARIVO-REGEDIT 1"),
            std::string::npos);
  // The installed cli (a link into the program folder) finds its engine beside it.
  r = Shell(Quote((root / "bin/clarivo-cli").string()) + " scan --type 1 --registry " + Quote(Registry()));
  EXPECT_EQ(r.status, 1) << r.err;

  // Completion of commands and of the options of one command.
  const std::string completion = (root / "share/bash-completion/completions/clarivo-cli").string();
  auto complete = [&](const std::string& words, int cword) {
    const std::string script = "source " + Quote(completion) + "; COMP_WORDS=(" + words +
                               "); COMP_CWORD=" + std::to_string(cword) +
                               "; _clarivo_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
    return Shell("bash -c " + Quote(script)).out;
  };
  EXPECT_EQ(complete("clarivo-cli ba", 1), "backup\nbackups\n");
  EXPECT_EQ(complete("clarivo-cli restore --in", 2), "--into-other-registry\n");
  EXPECT_NE(complete("clarivo-cli fix --type InvalidStartMenuO", 3).find("InvalidStartMenuOrdering"),
            std::string::npos);
}

TEST_F(CliInterfaceTest, CategoryNameSpeltRightIsAcceptedBesideTheStoredOne) {
  for (const char* name :
       {"InvalidStartMenuOrding", "InvalidStartMenuOrdering", "invalidstartmenuordering"}) {
    const Result r = Cli({"scan", "--json", "--type", name, "--registry", Registry()});
    EXPECT_LE(r.status, 1) << name << r.err;
    const nlohmann::json findings = nlohmann::json::parse(r.out)["findings"];
    EXPECT_EQ(findings.size(), 2u) << name;
    for (const auto& f : findings) EXPECT_EQ(f["type"], 4) << name;
  }
  EXPECT_EQ(Cli({"scan", "--type", "InvalidStartMenuOrderingX"}).status, 2);
}

TEST_F(CliInterfaceTest, FixShowsCountsListsOnRequestAndGivesAnAbsoluteUndo) {
  // A relative --backup-dir from another working folder.
  Result r = Shell("cd " + Quote(temp_.string()) + " && " + Quote((kBinDir / "clarivo-cli").string()) +
                   " fix --yes --backup-dir rel --registry " + Quote(Registry()));
  EXPECT_NE(r.out.find("These entries will be deleted:\n  MissingShareDLL (type 1): 2\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Total: 30\n(--list shows every entry)"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("    key: "), r.out.rfind("    key: ")) << "no entry listed before the fix";
  const std::string undo_line = r.out.substr(r.out.find("To undo: "));
  EXPECT_NE(undo_line.find("--backup-dir '" + (temp_ / "rel").string() + "/'"), std::string::npos)
      << undo_line;
  // The undo line works from anywhere.
  const std::string undo = undo_line.substr(9, undo_line.find('\n') - 9);
  r = Shell("cd / && PATH=" + Quote(kBinDir.string()) + ":$PATH " + undo);
  EXPECT_EQ(r.status, 0) << undo << r.err;

  r = Cli({"fix", "--yes", "--list", "--registry", Registry(), "--backup-dir", backups_});
  EXPECT_NE(
      r.out.find("    key: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls"),
      std::string::npos)
      << r.out;
}

TEST_F(CliInterfaceTest, JsonDocumentsOfFixBackupBackupsAndRestore) {
  Result r = Cli({"backup", "--json", "--registry", Registry(), "--backup-dir", backups_});
  ASSERT_EQ(r.status, 0) << r.err;
  nlohmann::json doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["restore_point"], 1);
  EXPECT_EQ(doc["registry"], "wine:" + fs::canonical(prefix_).string());

  r = Cli({"fix", "--json", "--yes", "--registry", Registry(), "--backup-dir", backups_});
  ASSERT_EQ(r.status, 0) << r.err;
  doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["restore_point"], 2);
  EXPECT_EQ(doc["left"], 0);
  EXPECT_EQ(doc["stopped"], false);
  EXPECT_TRUE(doc["not_fixed"].empty());
  int fixed = 0;
  for (const auto& category : doc["fixed"]) fixed += category["count"].get<int>();
  EXPECT_EQ(fixed, 30);
  EXPECT_NE(doc["undo"].get<std::string>().find(" 2"), std::string::npos);

  doc = Backups();
  ASSERT_EQ(doc["restore_points"].size(), 2u);
  EXPECT_EQ(doc["restore_points"][1]["number"], 2);
  EXPECT_EQ(doc["restore_points"][1]["folder"], doc["restore_points"][1]["folder"].get<std::string>());
  r = Cli({"restore", "--json", "--registry", Registry(), "--backup-dir", backups_, "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["files"].size(), 2u);
}

TEST_F(CliInterfaceTest, DeleteAsksOnATerminal) {
  if (!HaveScript()) GTEST_SKIP() << "script(1) cannot run a pseudo-terminal here";
  ASSERT_EQ(Cli({"backup", "--registry", Registry(), "--backup-dir", backups_}).status, 0);
  const std::string inner =
      Quote((kBinDir / "clarivo-cli").string()) + " delete --backup-dir " + Quote(backups_) + " 1";
  const std::string command = "script -qec " + Quote(inner) + " /dev/null";
  Result r = Shell("echo n | " + command);
  EXPECT_NE(r.out.find("Delete restore point 1 of "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Nothing was deleted."), std::string::npos) << r.out;
  EXPECT_EQ(Backups()["restore_points"].size(), 1u);
  r = Shell("echo y | " + command);
  EXPECT_NE(r.out.find("Deleted restore point 1"), std::string::npos) << r.out;
  EXPECT_EQ(Backups()["restore_points"].size(), 0u);
}

TEST_F(CliInterfaceTest, InterruptedBackupIsReportedAndRemovable) {
  ASSERT_EQ(Cli({"backup", "--registry", Registry(), "--backup-dir", backups_}).status, 0);
  const std::string listed = Backups()["restore_points"][0]["folder"];
  // What a backup killed during its export leaves: a folder the list lacks.
  fs::create_directories(fs::path(backups_) / "991231235959");
  std::ofstream(fs::path(backups_) / "991231235959/reg.reg") << "partial";
  std::ofstream(fs::path(backups_) / "991231235959/.writing");
  Result r = Cli({"backups", "--backup-dir", backups_});
  EXPECT_NE(r.out.find("Left by interrupted backups"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("991231235959  " + backups_ + "/991231235959/"), std::string::npos) << r.out;
  r = Cli({"delete", "--backup-dir", backups_, "991231235959"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(fs::path(backups_) / "991231235959"));
  EXPECT_TRUE(fs::exists(listed));
  // A listed point is not an orphan: its folder name does not delete it.
  EXPECT_EQ(Cli({"delete", "--backup-dir", backups_, fs::path(listed).parent_path().filename()}).status, 2);
  EXPECT_TRUE(fs::exists(listed));
}

}  // namespace
