// SetTip beside a sandboxed program: the text of the stored result through the
// catalogue, and a quiet end without a notification service.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/core/profile.h"
#include "app/core/scan_result.h"
#include "platform/process.h"
#include "tests/app/test_support.h"

namespace clarivo {
namespace {

class SetTipTest : public testing::ProgramSandbox {
 protected:
  void SetUp() override {
    ProgramSandbox::SetUp();
    std::filesystem::copy_file(SET_TIP_PATH, bin_dir() + "/SetTip");
    testing::WriteText(ini_path(), "[Deploy]\nLANGUAGE=" + std::string(CLARIVO_BIN_DIR) + "/Languages/\n");
    SetProfileRoot(kCompanyKey, "Clarivo");
  }

  // Runs SetTip with `environment` (env's unsets first, then assignments),
  // `arguments` and an optional `wrapper` command; its output and exit status.
  struct Run {
    int status;
    std::string out;
    std::string err;
  };
  Run SetTip(const std::string& environment, const std::string& arguments = "",
             const std::string& wrapper = "") {
    const std::string out = tmp_ / "out", err = tmp_ / "err";
    const platform::RunResult r = platform::RunHidden(
        "env -u LANGUAGE -u LC_ALL -u LC_MESSAGES " + environment + " LANG=C.UTF-8 " + wrapper +
        " timeout 30 " + platform::QuoteForShell(bin_dir() + "/SetTip") + " " + arguments + " >" +
        platform::QuoteForShell(out) + " 2>" + platform::QuoteForShell(err));
    return {r.started ? r.exit_code : -1, testing::ReadText(out), testing::ReadText(err)};
  }
  void Store(int total) {
    ScanResult result;
    result.total = total;
    result.serious = total;
    ASSERT_TRUE(SaveLastResult(result));
  }
};

TEST_F(SetTipTest, TextOfTheStoredResultThroughTheCatalogue) {
  Run r = SetTip("", "--print");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "") << "no stored result, nothing to tell";

  Store(7);
  EXPECT_EQ(SetTip("", "--print").out, "7 registry errors need to be fixed!\n");
  EXPECT_EQ(SetTip("LANGUAGE=de", "--print").out, "7 Registrierungsfehler müssen behoben werden!\n");
  Store(0);
  EXPECT_EQ(SetTip("", "--print").out, "No registry errors.\n");
  EXPECT_EQ(SetTip("LANGUAGE=de", "--print").out, "Keine Registrierungsfehler.\n");
}

TEST_F(SetTipTest, EndsQuietlyWithoutANotificationService) {
  Store(3);
  // No session bus at all.
  Run r = SetTip("-u DBUS_SESSION_BUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out + r.err, "");
  // A session bus on which no notification daemon runs.
  if (platform::RunHidden("command -v dbus-run-session >/dev/null").exit_code != 0) {
    GTEST_SKIP() << "dbus-run-session is not installed";
  }
  r = SetTip("-u DISPLAY -u WAYLAND_DISPLAY XDG_DATA_DIRS=" + (tmp_ / "no-services"), "",
             "dbus-run-session --");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace clarivo
