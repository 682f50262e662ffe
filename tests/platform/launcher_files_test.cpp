// The launcher file readers on real-shaped files and on damaged ones.
#include "platform/launcher_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace platform {
namespace {

using Strings = std::vector<std::string>;

TEST(KeyValues, ReadsBothLibraryFolderLayoutsOfSteam) {
  // Current Steam: numbered blocks with a "path"; escapes as Steam writes them.
  const std::string current = R"("libraryfolders"
{
	"contentstatsid"		"-1234"
	"0"
	{
		"path"		"/home/u/.local/share/Steam"
		"label"		""
		"apps"
		{
			"220"		"4096"
		}
	}
	// a comment between entries
	"1"
	{
		"label"		"fast \"ssd\""
		"PATH"		"/mnt/ssd/Steam Library"
	}
	"2" { "label" "no path" }
}
)";
  EXPECT_EQ(SteamLibraryFolders(current), (Strings{"/home/u/.local/share/Steam", "/mnt/ssd/Steam Library"}));
  // Older Steam: numbered plain values beside other settings.
  const std::string older =
      "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1\"\n\t\"1\"\t\"/mnt/old\"\n"
      "\t\"2\"\t\"D:\\\\Games\"\n}\n";
  EXPECT_EQ(SteamLibraryFolders(older), (Strings{"/mnt/old", "D:\\Games"}));
}

TEST(KeyValues, DamagedTextYieldsWhatCouldBeRead) {
  // Cut off in the middle of a block: the entries before the cut stay.
  EXPECT_EQ(SteamLibraryFolders("\"libraryfolders\" { \"0\" { \"path\" \"/a\" } \"1\" { \"path\" "),
            (Strings{"/a"}));
  // A stray closing brace ends the file; unterminated quotes run to the end.
  EXPECT_EQ(ParseKeyValues("} \"a\" \"b\"").size(), 0u);
  EXPECT_EQ(ParseKeyValues("\"a\" \"b").at(0).value, "b");
  // Bare tokens and conditions as in Valve's own files.
  const std::vector<KeyValue> bare = ParseKeyValues("AppState { name Game [$LINUX] appid 5 }");
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0].Find("APPID")->value, "5");
  EXPECT_EQ(SteamAppName("AppState { name Game [$LINUX] appid 5 }"), "Game");
  // A block without a key is dropped along with what it holds.
  EXPECT_EQ(ParseKeyValues("{ \"a\" \"b\" } \"c\" \"d\"").at(0).key, "c");
  // Nesting deeper than any real file: no stack is exhausted, the outer entries stay.
  std::string deep = "\"AppState\" { \"name\" \"Deep\" ";
  for (int i = 0; i < 100000; ++i) deep += "\"k\" { ";
  EXPECT_EQ(SteamAppName(deep), "Deep");
  EXPECT_EQ(SteamAppName("\"AppState\" { \"name\" { } }"), std::nullopt);
  EXPECT_EQ(SteamAppName("\"AppState\" { \"name\" \"   \" }"), std::nullopt);
  EXPECT_EQ(SteamAppName(""), std::nullopt);
  EXPECT_EQ(SteamLibraryFolders(std::string("\0\xff{{}}\"", 7)), Strings{});
}

TEST(Yaml, FindsNestedScalarsOfLutrisAndBottlesFiles) {
  const std::string lutris =
      "game:\n"
      "  args: -windowed  # a comment\n"
      "  exe: /home/u/Games/witcher/drive_c/w.exe\n"
      "  prefix: /home/u/Games/witcher\n"
      "system:\n"
      "  prefix: /not/this/one\n"
      "wine:\n"
      "  overrides:\n"
      "  - prefix: /nor/this\n"
      "    name: x\n";
  EXPECT_EQ(YamlScalar(lutris, {"game", "prefix"}), "/home/u/Games/witcher");
  EXPECT_EQ(YamlScalar(lutris, {"game", "args"}), "-windowed");
  EXPECT_EQ(YamlScalar(lutris, {"prefix"}), std::nullopt);
  EXPECT_EQ(YamlScalar(lutris, {"name"}), std::nullopt);
  EXPECT_EQ(YamlScalar(lutris, {"wine", "overrides", "prefix"}), std::nullopt);

  EXPECT_EQ(YamlScalar("Arch: win64\r\nName: 'It''s mine'\r\nPath: x\r\n", {"Name"}), "It's mine");
  EXPECT_EQ(YamlScalar("Name: \"Tab\\there \\\"q\\\"\" # c\n", {"Name"}), "Tab\there \"q\"");
  EXPECT_EQ(YamlScalar("game:\n    prefix: \"/a b/c\"\n", {"game", "prefix"}), "/a b/c");
}

TEST(Yaml, WhatIsNotAPlainScalarYieldsNothing) {
  EXPECT_EQ(YamlScalar("Name: [a, b]\n", {"Name"}), std::nullopt);
  EXPECT_EQ(YamlScalar("Name: ~\n", {"Name"}), std::nullopt);
  EXPECT_EQ(YamlScalar("Name: \"unterminated\n  rest\"\n", {"Name"}), std::nullopt);
  // The text of a block scalar is not read as keys.
  EXPECT_EQ(YamlScalar("game: |\n  prefix: /fake\nother: 1\n", {"game", "prefix"}), std::nullopt);
  EXPECT_EQ(YamlScalar("game: |\n  prefix: /fake\ngame2:\n  prefix: /real\n", {"game2", "prefix"}), "/real");
  EXPECT_EQ(YamlScalar("", {"Name"}), std::nullopt);
  EXPECT_EQ(YamlScalar("Name: x", {}), std::nullopt);
  EXPECT_EQ(YamlScalar(":\n- \n'\n\"\n#\n   \n", {"Name"}), std::nullopt);
}

TEST(ReadSmallFile, OnlyRegularFilesWithinTheLimit) {
  char pattern[] = "/tmp/launcher-files-test.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  std::ofstream(dir + "/small") << "0123456789";
  EXPECT_EQ(ReadSmallFile(dir + "/small"), "0123456789");
  EXPECT_EQ(ReadSmallFile(dir + "/small", 9), std::nullopt);
  EXPECT_EQ(ReadSmallFile(dir), std::nullopt);
  EXPECT_EQ(ReadSmallFile(dir + "/missing"), std::nullopt);
  // A FIFO where a file belongs must not block the reader.
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(ReadSmallFile(dir + "/fifo"), std::nullopt);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace platform
