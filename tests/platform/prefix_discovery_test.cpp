// Prefix discovery on a fake home folder holding every launcher's layout,
// sound and broken, and the user's own list.
#include "platform/prefix_discovery.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/wineserver_lock.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A folder Wine would accept: both registry files.
void MakePrefix(const fs::path& dir, std::size_t system_size = 40) {
  Write(dir / "system.reg", "WINE REGISTRY Version 2\n" + std::string(system_size - 24, '\n'));
  Write(dir / "user.reg", "WINE REGISTRY Version 2\n");
}

std::string Acf(const std::string& name) {
  return "\"AppState\"\n{\n\t\"appid\"\t\t\"1\"\n\t\"name\"\t\t\"" + name + "\"\n}\n";
}

class PrefixDiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/prefix-discovery-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    home_ = root_ / "home";
    fs::create_directories(home_);
    places_.home = home_.string();
    places_.config_home = (home_ / ".config").string();
  }
  void TearDown() override {
    if (!root_.empty()) fs::remove_all(root_);
  }

  std::vector<std::pair<std::string, std::string>> Found() {
    std::vector<std::pair<std::string, std::string>> found;
    for (const WinePrefix& p : DiscoverWinePrefixes(places_)) {
      found.emplace_back(std::string(PrefixSourceName(p.source)) + " " + p.name, p.path);
    }
    return found;
  }

  fs::path root_;
  fs::path home_;
  DiscoveryPlaces places_;
};

TEST_F(PrefixDiscoveryTest, FindsEveryLayoutOnceInAStableOrderAndSkipsBrokenOnes) {
  const fs::path h = home_;
  MakePrefix(root_ / "custom");
  places_.wineprefix = (root_ / "custom").string() + "/";
  MakePrefix(h / ".wine");

  const fs::path wp = h / ".local/share/wineprefixes";
  MakePrefix(wp / "b-sound");
  MakePrefix(wp / "a-half");
  fs::remove(wp / "a-half/user.reg");                               // half-made
  Write(wp / "c-file", "a file where a folder belongs");            // not a folder
  fs::create_directory_symlink(wp / "missing", wp / "d-dangling");  // dangling link
  fs::create_directory_symlink(wp / "e-loop", wp / "e-loop");       // a link to itself
  fs::create_directory_symlink(wp / "f-loop2", wp / "f-loop1");     // a loop of two
  fs::create_directory_symlink(wp / "f-loop1", wp / "f-loop2");
  fs::create_directory_symlink(wp, wp / "g-up");                 // a loop through the parent
  fs::create_directory_symlink(wp / "b-sound", wp / "h-again");  // the same prefix again
  MakePrefix(wp / "i-reg-folders");
  fs::remove(wp / "i-reg-folders/user.reg");
  fs::create_directory(wp / "i-reg-folders/user.reg");  // a folder where a file belongs

  // Native Steam, reached twice (~/.steam/steam links to it), listing a
  // second library and itself; a Flatpak Steam with damaged files.
  const fs::path steam = h / ".local/share/Steam";
  const fs::path lib2 = root_ / "lib2";
  Write(steam / "steamapps/libraryfolders.vdf",
        "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam.string() +
            "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + lib2.string() + "\"\n\t}\n\t\"2\" { \"path\" \"" +
            (root_ / "nowhere").string() + "\" }\n}\n");
  fs::create_directories(h / ".steam");
  fs::create_directory_symlink(steam, h / ".steam/steam");
  MakePrefix(steam / "steamapps/compatdata/220/pfx");
  Write(steam / "steamapps/appmanifest_220.acf", Acf("Half-Life 2"));
  MakePrefix(steam / "steamapps/compatdata/999/pfx");
  ASSERT_EQ(mkfifo((steam / "steamapps/appmanifest_999.acf").c_str(), 0600), 0);  // must not hang
  fs::create_directories(steam / "steamapps/compatdata/300");                     // no pfx yet
  Write(steam / "steamapps/appmanifest_500.acf", Acf("Cross Library"));
  MakePrefix(lib2 / "steamapps/compatdata/400/pfx");
  Write(lib2 / "steamapps/appmanifest_400.acf", Acf("Portal"));
  MakePrefix(lib2 / "steamapps/compatdata/500/pfx");
  const fs::path flatpak = h / ".var/app/com.valvesoftware.Steam/data/Steam";
  Write(flatpak / "steamapps/libraryfolders.vdf", "\"libraryfolders\" { \"1\" { \"path\" ");
  MakePrefix(flatpak / "steamapps/compatdata/700/pfx");
  Write(flatpak / "steamapps/appmanifest_700.acf", "\"AppState\" { \"name\" ");

  // Lutris: game files (one names a prefix under ~/Games, one is damaged),
  // and the folders of ~/Games.
  Write(h / ".config/lutris/games/witcher-3-1612345678.yml",
        "game:\n  exe: x.exe\n  prefix: " + (root_ / "lutris-witcher").string() +
            "\nwine:\n  version: lutris-7\n");
  MakePrefix(root_ / "lutris-witcher");
  Write(h / ".config/lutris/games/broken-1.yml", "game: [\n  prefix: \"/unterminated\n");
  Write(h / ".local/share/lutris/games/epic-2.yml",
        "name: Epic Games Store\ngame:\n  prefix: ~/Games/epic\n");
  MakePrefix(h / "Games/epic");
  MakePrefix(h / "Games/other");
  fs::create_directories(h / "Games/not-a-prefix/drive_c");

  // Bottles, native with its name, Flatpak without bottle.yml, and a file.
  const fs::path bottles = h / ".local/share/bottles/bottles";
  MakePrefix(bottles / "Office");
  Write(bottles / "Office/bottle.yml", "Arch: win64\nName: My Office\nPath: Office\n");
  MakePrefix(bottles / "Damaged");
  Write(bottles / "Damaged/bottle.yml", "Name: \"never closed\n");
  const fs::path fbottles = h / ".var/app/com.usebottles.bottles/data/bottles/bottles";
  MakePrefix(fbottles / "Gaming");
  Write(fbottles / "Broken", "not a bottle");

  MakePrefix(h / ".PlayOnLinux/wineprefix/Notepad");

  // The user's list: a sound one, one gone, one already found, a relative line.
  MakePrefix(root_ / "mine");
  Write(h / ".config/Quorvex-Clarivo/prefixes", "# mine\n" + (root_ / "mine").string() + "\r\n" +
                                                    (root_ / "gone").string() + "\n\nrelative/path\n" +
                                                    (h / ".wine").string() + "\n");

  const std::string r = root_.string();
  const std::string s = steam.string();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"WINEPREFIX custom", r + "/custom"},
      {"~/.wine .wine", h.string() + "/.wine"},
      {"wineprefixes b-sound", wp.string() + "/b-sound"},
      {"Steam Half-Life 2", s + "/steamapps/compatdata/220/pfx"},
      {"Steam Steam app 999", s + "/steamapps/compatdata/999/pfx"},
      {"Steam Portal", r + "/lib2/steamapps/compatdata/400/pfx"},
      {"Steam Cross Library", r + "/lib2/steamapps/compatdata/500/pfx"},
      {"Steam Steam app 700", flatpak.string() + "/steamapps/compatdata/700/pfx"},
      {"Lutris witcher-3", r + "/lutris-witcher"},
      {"Lutris Epic Games Store", h.string() + "/Games/epic"},
      {"Lutris other", h.string() + "/Games/other"},
      {"Bottles Damaged", bottles.string() + "/Damaged"},
      {"Bottles My Office", bottles.string() + "/Office"},
      {"Bottles Gaming", fbottles.string() + "/Gaming"},
      {"PlayOnLinux Notepad", h.string() + "/.PlayOnLinux/wineprefix/Notepad"},
      {"added mine", r + "/mine"},
  };
  EXPECT_EQ(Found(), expected);

  const std::vector<WinePrefix> found = DiscoverWinePrefixes(places_);
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(found[0].system_reg.size, 40u);
  EXPECT_EQ(found[0].user_reg.size, 24u);
  EXPECT_GT(found[0].LastChange(), 0);
  EXPECT_FALSE(found[0].in_use);
  for (const WinePrefix& p : found) EXPECT_EQ(p.real_path, fs::canonical(p.path).string()) << p.path;
}

TEST_F(PrefixDiscoveryTest, TheVariableComesFirstAndWithoutAHomeOnlyItAndTheListAreSearched) {
  MakePrefix(home_ / ".wine");
  MakePrefix(root_ / "custom");
  places_.wineprefix = (root_ / "custom").string();
  EXPECT_EQ(Found().size(), 2u);
  // The variable naming a bottle: first in the list, by the bottle's name.
  MakePrefix(home_ / ".local/share/bottles/bottles/b");
  Write(home_ / ".local/share/bottles/bottles/b/bottle.yml", "Name: Bottle B\n");
  places_.wineprefix = (home_ / ".local/share/bottles/bottles/b").string();
  EXPECT_EQ(Found().at(0).first, "WINEPREFIX Bottle B");
  EXPECT_EQ(Found().size(), 2u);

  places_.wineprefix = (root_ / "custom").string();
  places_.home.clear();
  EXPECT_EQ(Found().size(), 1u);
  places_.wineprefix = "relative-and-missing";
  EXPECT_TRUE(Found().empty());
}

// Holds a write lock on a file from another process, as a running wineserver does.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path) {
    int up[2];
    int down[2];
    if (pipe(up) != 0 || pipe(down) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);  // or the read below never sees the end
      const int fd = open(path.c_str(), O_RDWR | O_CREAT, 0600);
      struct flock fl = {};
      fl.l_type = F_WRLCK;
      const char ok = fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0 ? 'y' : 'n';
      char c;
      if (write(up[1], &ok, 1) == 1) {
        while (read(down[0], &c, 1) > 0) {
        }
      }
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    release_ = down[1];
    char ok = 'n';
    locked_ = read(up[0], &ok, 1) == 1 && ok == 'y';
    close(up[0]);
  }
  ~LockHolder() {
    close(release_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  bool locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

TEST_F(PrefixDiscoveryTest, APrefixHeldByAWineserverIsMarkedInUse) {
  const fs::path prefix = home_ / ".wine";
  MakePrefix(prefix);
  const std::string server = fs::path(root_).filename().string() + "-server";
  Write(prefix / "wineserver", server + "\n");
  const std::string lock = WineserverLockPath(prefix.string());
  ASSERT_EQ(lock.rfind("/tmp/" + server + "/server-", 0), 0u) << lock;
  fs::create_directories(fs::path(lock).parent_path());
  {
    LockHolder holder(lock);
    ASSERT_TRUE(holder.locked());
    const std::vector<WinePrefix> found = DiscoverWinePrefixes(places_);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].in_use);
  }
  EXPECT_FALSE(DiscoverWinePrefixes(places_).at(0).in_use);
  fs::remove_all("/tmp/" + server);
}

TEST_F(PrefixDiscoveryTest, TheUsersListIsChangedOnlyWithPrefixes) {
  MakePrefix(root_ / "one");
  MakePrefix(root_ / "two");
  fs::create_directory_symlink(root_ / "one", root_ / "one-link");
  std::string error;
  EXPECT_TRUE(AddUserPrefix(places_, (root_ / "one").string() + "/", &error)) << error;
  EXPECT_TRUE(AddUserPrefix(places_, (root_ / "one-link").string(), &error)) << error;  // already there
  EXPECT_TRUE(AddUserPrefix(places_, (root_ / "two").string(), &error)) << error;
  EXPECT_EQ(UserAddedPrefixes(places_),
            (std::vector<std::string>{(root_ / "one").string(), (root_ / "two").string()}));
  EXPECT_EQ(DiscoverWinePrefixes(places_).size(), 2u);

  fs::create_directories(root_ / "empty");
  EXPECT_FALSE(AddUserPrefix(places_, (root_ / "empty").string(), &error));
  EXPECT_NE(error.find("no system.reg"), std::string::npos) << error;
  EXPECT_FALSE(AddUserPrefix(places_, (root_ / "nothing").string(), &error));
  EXPECT_TRUE(IsWinePrefix((root_ / "one").string()));
  EXPECT_FALSE(IsWinePrefix((root_ / "empty").string()));

  // Removing by another path to the same folder, then a folder that is gone.
  EXPECT_TRUE(RemoveUserPrefix(places_, (root_ / "one-link").string(), &error)) << error;
  fs::remove_all(root_ / "two");
  EXPECT_TRUE(RemoveUserPrefix(places_, (root_ / "two").string(), &error)) << error;
  EXPECT_TRUE(UserAddedPrefixes(places_).empty());
  EXPECT_FALSE(RemoveUserPrefix(places_, (root_ / "two").string(), &error));

  // A file where the config folder belongs: a clear error, nothing thrown.
  fs::remove_all(home_ / ".config");
  Write(home_ / ".config", "in the way");
  EXPECT_FALSE(AddUserPrefix(places_, (root_ / "one").string(), &error));
  EXPECT_NE(error.find(".config"), std::string::npos) << error;
}

TEST(DiscoveryPlaces, ComeFromTheEnvironment) {
  const char* saved_home = std::getenv("HOME");
  const std::string home = saved_home ? saved_home : "";
  setenv("HOME", "/fake/home", 1);
  setenv("XDG_CONFIG_HOME", "relative", 1);
  setenv("WINEPREFIX", "/fake/prefix", 1);
  DiscoveryPlaces places = DiscoveryPlaces::FromEnvironment();
  EXPECT_EQ(places.home, "/fake/home");
  EXPECT_EQ(places.config_home, "/fake/home/.config");
  EXPECT_EQ(places.wineprefix, "/fake/prefix");
  EXPECT_EQ(UserPrefixListPath(places), "/fake/home/.config/Quorvex-Clarivo/prefixes");
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(DiscoveryPlaces::FromEnvironment().config_home, "/cfg");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("WINEPREFIX");
  if (saved_home) setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace platform
