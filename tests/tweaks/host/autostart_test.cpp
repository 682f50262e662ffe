// The Startup view's rules for XDG autostart entries: user files override
// system files, switching off writes a Hidden=true user file and system
// files are never touched.
#include "autostart.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tweaks::startup {
namespace {

namespace fs = std::filesystem;

class AutostartTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tweaks-autostart-" + std::to_string(getpid()));
    fs::remove_all(root_);
    folders_.user = (root_ / "home/autostart").string();
    folders_.system = {(root_ / "etc1/autostart").string(), (root_ / "etc2/autostart").string()};
    for (const auto& folder : folders_.system) fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
  }
  static std::string Read(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }
  static std::string Entry(const std::string& name, const std::string& extra = "") {
    return "[Desktop Entry]\n# kept comment\nType=Application\nName=" + name + "\nExec=/usr/bin/" + name +
           " --quiet\n" + extra;
  }
  const AutostartEntry* Find(const std::vector<AutostartEntry>& entries, const std::string& id) {
    for (const auto& entry : entries) {
      if (entry.id == id) return &entry;
    }
    return nullptr;
  }

  fs::path root_;
  AutostartFolders folders_;
};

TEST_F(AutostartTest, UserFilesOverrideSystemFilesAndStatesFollowTheKeys) {
  Write(folders_.system[0] + "/clock.desktop", Entry("Clock"));
  Write(folders_.system[1] + "/clock.desktop", Entry("Older clock", "Hidden=true\n"));
  Write(folders_.system[1] + "/agent.desktop", Entry("agent", "X-GNOME-Autostart-enabled=false\n"));
  Write(folders_.user + "/notes.desktop", Entry("Notes", "Hidden=true\n"));
  Write(folders_.system[0] + "/notes.desktop", Entry("System notes"));
  Write(folders_.user + "/readme.txt", "not an entry");
  Write(folders_.system[0] + "/broken.desktop", "no group here\n");

  auto entries = ListAutostartEntries(folders_);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "agent");  // sorted without regard to case
  EXPECT_EQ(entries[1].name, "Clock");
  EXPECT_EQ(entries[2].name, "Notes");

  EXPECT_FALSE(entries[0].enabled);
  EXPECT_TRUE(entries[1].enabled);  // the more important system folder wins
  EXPECT_EQ(entries[1].command, "/usr/bin/Clock --quiet");
  EXPECT_FALSE(entries[1].userFile);
  EXPECT_FALSE(entries[2].enabled);
  EXPECT_TRUE(entries[2].userFile);
  EXPECT_TRUE(entries[2].systemFile);
}

TEST_F(AutostartTest, SwitchingASystemEntryOffWritesAUserOverrideOnly) {
  std::string system = folders_.system[0] + "/clock.desktop";
  Write(system, Entry("Clock"));
  std::string before = Read(system);

  ASSERT_TRUE(SetAutostartEnabled(folders_, "clock.desktop", false));
  EXPECT_EQ(Read(system), before);
  std::string user = Read(folders_.user + "/clock.desktop");
  EXPECT_NE(user.find("Hidden=true"), std::string::npos);
  EXPECT_NE(user.find("Exec=/usr/bin/Clock --quiet"), std::string::npos);
  EXPECT_NE(user.find("# kept comment"), std::string::npos);
  auto entries = ListAutostartEntries(folders_);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_FALSE(entries[0].enabled);

  ASSERT_TRUE(SetAutostartEnabled(folders_, "clock.desktop", true));
  EXPECT_TRUE(ListAutostartEntries(folders_)[0].enabled);
  EXPECT_EQ(Read(system), before);
  EXPECT_TRUE(fs::exists(system));
}

TEST_F(AutostartTest, SwitchingOnClearsTheGnomeKeyAndAnEnabledSystemEntryNeedsNoFile) {
  Write(folders_.user + "/agent.desktop", Entry("agent", "X-GNOME-Autostart-enabled=false\n"));
  ASSERT_TRUE(SetAutostartEnabled(folders_, "agent.desktop", true));
  std::string user = Read(folders_.user + "/agent.desktop");
  EXPECT_NE(user.find("X-GNOME-Autostart-enabled=true"), std::string::npos);
  EXPECT_TRUE(ListAutostartEntries(folders_)[0].enabled);

  Write(folders_.system[1] + "/clock.desktop", Entry("Clock"));
  ASSERT_TRUE(SetAutostartEnabled(folders_, "clock.desktop", true));
  EXPECT_FALSE(fs::exists(folders_.user + "/clock.desktop"));
}

TEST_F(AutostartTest, UnknownOrUnsafeNamesAreRefused) {
  Write(folders_.system[0] + "/clock.desktop", Entry("Clock"));
  EXPECT_FALSE(SetAutostartEnabled(folders_, "nothing.desktop", false));
  EXPECT_FALSE(SetAutostartEnabled(folders_, "../autostart/clock.desktop", false));
  EXPECT_FALSE(SetAutostartEnabled(folders_, "clock.txt", false));
  EXPECT_FALSE(fs::exists(folders_.user));
}

TEST(AutostartFolders, FollowTheXdgVariables) {
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  setenv("XDG_CONFIG_DIRS", "/a:/b::", 1);
  AutostartFolders folders = FoldersFromEnvironment();
  EXPECT_EQ(folders.user, "/cfg/autostart");
  ASSERT_EQ(folders.system.size(), 2u);
  EXPECT_EQ(folders.system[1], "/b/autostart");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_CONFIG_DIRS");
  setenv("HOME", "/h", 1);
  folders = FoldersFromEnvironment();
  EXPECT_EQ(folders.user, "/h/.config/autostart");
  ASSERT_EQ(folders.system.size(), 1u);
  EXPECT_EQ(folders.system[0], "/etc/xdg/autostart");
}

}  // namespace
}  // namespace tweaks::startup
