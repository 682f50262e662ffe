// ShowHelp beside a sandboxed program: which page it hands to xdg-open, how
// the address is written, and what it says when it cannot open the page.
#include "tools/ShowHelp/show_help.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/process.h"
#include "tests/app/test_support.h"

namespace clarivo {
namespace {

namespace fs = std::filesystem;

std::string Decode(const std::string& uri) {
  std::string out;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size()) {
      out += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += uri[i];
    }
  }
  return out;
}

class ShowHelpTest : public ::testing::Test {
 protected:
  void SetUp() override { Install(tmp_ / "bin"); }

  // ShowHelp, the ini and help pages in `dir`; a fake xdg-open in tmp/fake
  // that records its arguments and ends with $FAKE_STATUS.
  void Install(const std::string& dir) {
    bin_ = dir;
    fs::create_directories(bin_ + "/Help/de");
    fs::copy_file(SHOW_HELP_PATH, bin_ + "/ShowHelp", fs::copy_options::overwrite_existing);
    testing::WriteText(bin_ + "/Clarivo.ini",
                       "[Deploy]\nLANGUAGE=" + std::string(CLARIVO_BIN_DIR) + "/Languages/\n");
    testing::WriteText(bin_ + "/Help/index.html", "en");
    testing::WriteText(bin_ + "/Help/de/index.html", "de");
    fs::create_directories(tmp_ / "fake");
    testing::WriteText(tmp_ / "fake/xdg-open",
                       "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >>\"$RECORD\"\n"
                       "exit \"${FAKE_STATUS:-0}\"\n");
    chmod((tmp_ / "fake/xdg-open").c_str(), 0755);
  }

  struct Run {
    int status;
    std::string recorded;  // xdg-open's arguments, one a line
    std::string err;
  };
  // Runs ShowHelp with `environment` assignments and `arguments`; PATH holds
  // the fake xdg-open, or (without it) only an empty folder.
  Run ShowHelp(const std::string& environment, const std::string& arguments = "default",
               bool with_fake = true) {
    const std::string record = tmp_ / "record", err = tmp_ / "err";
    fs::remove(record);
    fs::create_directories(tmp_ / "empty");
    const std::string path = with_fake ? tmp_ / "fake" : tmp_ / "empty";
    const platform::RunResult r = platform::RunHidden(
        "env -i PATH=" + platform::QuoteForShell(path) + " RECORD=" + platform::QuoteForShell(record) + " " +
        environment + " /usr/bin/timeout 30 " + platform::QuoteForShell(bin_ + "/ShowHelp") + " " +
        arguments + " 2>" + platform::QuoteForShell(err));
    return {r.started ? r.exit_code : -1, testing::ReadText(record), testing::ReadText(err)};
  }

  testing::TempDir tmp_;
  std::string bin_;
};

TEST_F(ShowHelpTest, OpensThePageInTheUsersLanguage) {
  Run r = ShowHelp("");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.recorded, "file://" + bin_ + "/Help/index.html\n") << "one argument, the page's address";
  EXPECT_EQ(r.err, "");

  EXPECT_EQ(ShowHelp("LANGUAGE=de").recorded, "file://" + bin_ + "/Help/de/index.html\n");
  EXPECT_EQ(ShowHelp("LANG=de_AT.UTF-8").recorded, "file://" + bin_ + "/Help/de/index.html\n");
  EXPECT_EQ(ShowHelp("LANGUAGE=fr:de LANG=C.UTF-8").recorded, "file://" + bin_ + "/Help/de/index.html\n")
      << "the first language we have a page for";
  EXPECT_EQ(ShowHelp("LANGUAGE=fr").recorded, "file://" + bin_ + "/Help/index.html\n");
  EXPECT_EQ(ShowHelp("LANGUAGE=../de").recorded, "file://" + bin_ + "/Help/index.html\n")
      << "a language never leads out of the help folder";
  EXPECT_EQ(ShowHelp("", "restore").recorded, "file://" + bin_ + "/Help/index.html#restore\n");
}

TEST_F(ShowHelpTest, AddressOfAFolderWithSpacesQuotesAndNonAsciiNames) {
  // No shell sees the path: the text that looks like a command stays a name.
  Install(tmp_ / "my progs $(touch pwned) 'x' \"y\" Übung");
  Run r = ShowHelp("");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_FALSE(r.recorded.empty());
  const std::string uri = r.recorded.substr(0, r.recorded.size() - 1);
  EXPECT_EQ(uri.find_first_of(" '\"$()"), std::string::npos) << uri;
  EXPECT_EQ(Decode(uri), "file://" + bin_ + "/Help/index.html");
  EXPECT_FALSE(fs::exists(tmp_ / "pwned"));
  EXPECT_FALSE(fs::exists("pwned"));
}

TEST_F(ShowHelpTest, SaysWhyWhenThePageCannotBeOpened) {
  Run r = ShowHelp("FAKE_STATUS=4");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("xdg-open could not open the help page"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("file://" + bin_ + "/Help/index.html"), std::string::npos) << r.err;

  r = ShowHelp("", "default", /*with_fake=*/false);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("xdg-utils"), std::string::npos) << r.err;

  r = ShowHelp("LANGUAGE=de FAKE_STATUS=3");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("xdg-open konnte die Hilfeseite nicht öffnen"), std::string::npos) << r.err;

  fs::remove_all(bin_ + "/Help");
  r = ShowHelp("");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.recorded, "") << "nothing to open";
  EXPECT_NE(r.err.find(bin_ + "/Help/index.html"), std::string::npos) << r.err;
}

TEST_F(ShowHelpTest, RefusesAWrongCommandLine) {
  for (const char* arguments : {"", "default extra", "'../../etc/passwd'", "'a b'"}) {
    Run r = ShowHelp("", arguments);
    EXPECT_EQ(r.status, 2) << arguments;
    EXPECT_EQ(r.recorded, "") << arguments;
    EXPECT_NE(r.err.find("ShowHelp default"), std::string::npos) << r.err;
  }
}

TEST(ShowHelpShipped, TheBuiltProgramFindsItsHelpPages) {
  // The help pages copied beside the built programs are the ones ShowHelp opens.
  const std::string english = show_help::HelpPage(std::string(CLARIVO_BIN_DIR) + "/Help", {"fr"});
  const std::string german = show_help::HelpPage(std::string(CLARIVO_BIN_DIR) + "/Help", {"de"});
  EXPECT_EQ(english, std::string(CLARIVO_BIN_DIR) + "/Help/index.html");
  EXPECT_EQ(german, std::string(CLARIVO_BIN_DIR) + "/Help/de/index.html");
}

}  // namespace
}  // namespace clarivo
