// The autostart entry: written with the executable's exact path, recognised
// only with that path, quoted so that no path can break the Exec line.
#include "app/core/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/app/test_support.h"

namespace clarivo {
namespace {

class Autostart : public testing::ProgramSandbox {
 protected:
  std::string entry() const { return config_home() + "/autostart/Quorvex-Clarivo.desktop"; }
};

TEST_F(Autostart, SwitchingOnAndOff) {
  EXPECT_EQ(AutostartEntryPath(), entry());
  EXPECT_FALSE(IsAutoStart());
  EXPECT_TRUE(ui_.messages.empty());

  ASSERT_TRUE(SetAutoStart(true));
  EXPECT_TRUE(IsAutoStart());
  const std::string text = testing::ReadText(entry());
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(text.find("Exec=\"" + executable() + "\"\n"), std::string::npos);

  ASSERT_TRUE(SetAutoStart(false));
  EXPECT_FALSE(std::filesystem::exists(entry()));
  EXPECT_FALSE(IsAutoStart());
  EXPECT_FALSE(SetAutoStart(false)) << "nothing left to delete";
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(Autostart, OnlyTheExactPathCountsAndSwitchingOnRewritesIt) {
  std::string upper = executable();
  upper.back() = 'O';  // ".../ClarivO"
  const std::string variants[] = {
      "Exec=" + upper + "\n",
      "Exec=\"" + executable() + "\" --tray\n",
      "Exec=" + executable() + " %u\n",
      "Exec=\"" + executable() + "\"\nHidden=true\n",
  };
  for (const std::string& exec : variants) {
    testing::WriteText(entry(), "[Desktop Entry]\nType=Application\n" + exec);
    EXPECT_FALSE(IsAutoStart()) << exec;
  }
  testing::WriteText(entry(), "[Desktop Entry]\nExec=" + executable() + "\n");
  EXPECT_TRUE(IsAutoStart()) << "an unquoted plain path is the same program";

  testing::WriteText(entry(), "[Desktop Entry]\nExec=" + upper + "\n");
  ASSERT_TRUE(SetAutoStart(true));
  EXPECT_TRUE(IsAutoStart());
}

TEST_F(Autostart, AwkwardPathsSurviveTheExecQuoting) {
  for (std::string name : {"Clari vo", "a\"b", "$HOME`x`", "100%", "back\\slash", "tab\there"}) {
    std::string program = bin_dir() + "/" + name;
    std::string value = DesktopExecValue(program);
    EXPECT_EQ(value.find('\n'), std::string::npos);
    SetExecutablePath(program);
    ASSERT_TRUE(SetAutoStart(true)) << name;
    EXPECT_TRUE(IsAutoStart()) << name << " as " << value;
  }
  std::string program;
  EXPECT_TRUE(ParseDesktopExecProgram("\"/a b/c\\$d\"", &program));
  EXPECT_EQ(program, "/a b/c$d");
  EXPECT_FALSE(ParseDesktopExecProgram("\"/unterminated", &program));
}

TEST_F(Autostart, FolderThatCannotBeUsedIsReported) {
  testing::WriteText(config_home() + "/autostart", "a file where the folder belongs");
  EXPECT_FALSE(SetAutoStart(true));
  ASSERT_EQ(ui_.messages, std::vector<std::string>{"fail to open reg key"});
}

}  // namespace
}  // namespace clarivo
