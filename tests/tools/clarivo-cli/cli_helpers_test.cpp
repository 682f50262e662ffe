// The pieces of clarivo-cli whose faults a program run would hide: JSON
// escaping of hostile registry texts, what reaches the terminal, and option
// parsing.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tools/clarivo-cli/cli_options.h"
#include "tools/clarivo-cli/json_output.h"
#include "tools/clarivo-cli/progress_bar.h"

namespace cli {
namespace {

TEST(JsonOutputTest, EveryHostileTextRoundTripsThroughAJsonParser) {
  const std::string texts[] = {
      "plain",
      "quote \" backslash \\ slash /",
      std::string("controls \x01\x02\t\n\r\b\f\x1f\x7f end"),
      std::string("nul \0 inside", 13),
      "C:\\Program Files\\Ancien Logiciel\\\xC3\xA9"
      "diteur.exe",
      "\xE7\xA8\x8B\xE5\xBA\x8F \xF0\x9F\x98\x80",  // CJK and a character outside the BMP
  };
  for (const std::string& text : texts) {
    const std::string literal = JsonString(text);
    const nlohmann::json parsed = nlohmann::json::parse(literal);  // throws on invalid JSON
    EXPECT_EQ(parsed.get<std::string>(), text) << literal;
    for (const char c : literal) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << literal;
  }
}

TEST(JsonOutputTest, InvalidUtf8BecomesReplacementCharacters) {
  // Lone continuation byte, truncated sequence, overlong slash, a surrogate, above U+10FFFF.
  const std::string bad[] = {"a\x80z", "a\xE2\x82z", "a\xC0\xAFz", "a\xED\xA0\x80z", "a\xF4\x90\x80\x80z"};
  for (const std::string& text : bad) {
    const nlohmann::json parsed = nlohmann::json::parse(JsonString(text));
    const std::string value = parsed.get<std::string>();
    EXPECT_EQ(value.front(), 'a');
    EXPECT_EQ(value.back(), 'z');
    EXPECT_NE(value.find("\xEF\xBF\xBD"), std::string::npos) << JsonString(text);
  }
}

TEST(JsonOutputTest, DocumentHasTheAgreedShape) {
  const std::vector<Finding> findings = {{3, "{GUID}", "HKEY_CLASSES_ROOT\\Old.Control", 0},
                                         {13, ".xyz", "HKEY_CURRENT_USER\\x", 4}};
  const nlohmann::json doc = nlohmann::json::parse(FindingsJson("wine:/tmp/a \"b\"", findings));
  EXPECT_EQ(doc["registry"], "wine:/tmp/a \"b\"");
  ASSERT_EQ(doc["findings"].size(), 2u);
  EXPECT_EQ(doc["findings"][0]["category"], "InvalidActiveXAndCOM");
  EXPECT_EQ(doc["findings"][0]["key"], "HKEY_CLASSES_ROOT\\Old.Control");
  EXPECT_EQ(doc["findings"][1]["category"], "UnusedFileExtensions");
  EXPECT_EQ(doc["findings"][1]["index"], 4);
  EXPECT_EQ(nlohmann::json::parse(FindingsJson("x", {}))["findings"].size(), 0u);
}

// Terminal columns of UTF-8 text, counting three- and four-byte characters as two.
int Columns(const std::string& text) {
  int columns = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) columns += byte >= 0xE0 ? 2 : 1;
  }
  return columns;
}

TEST(TerminalOutputTest, ProgressLineStaysWithinTheTerminalAndValidUtf8) {
  EXPECT_EQ(ProgressBar::Render("Scanning MUICache", 150, "", 80),
            "[########################] 100% Scanning MUICache");
  EXPECT_EQ(ProgressBar::Render("Scanning MUICache", -3, "", 80).substr(0, 31),
            "[........................]   0%");
  EXPECT_EQ(ProgressBar::Render("L", 50, "", 80).substr(0, 31), "[############............]  50%");

  const std::string item =
      "HKEY_CLASSES_ROOT\\\xE7\xA8\x8B\xE5\xBA\x8F\xC3\xA9\xF0\x9F\x98\x80 and more text";
  for (int width = 20; width <= 80; ++width) {
    const std::string line = ProgressBar::Render("Scanning InvalidActiveXAndCOM", 42, item, width);
    EXPECT_LT(Columns(line), width) << width;
    EXPECT_NO_THROW((void)nlohmann::json(line).dump()) << "cut inside a character at width " << width;
  }
  // A long item keeps its end, where the names differ.
  const std::string line =
      ProgressBar::Render("Scanning X", 10, "HKEY_CLASSES_ROOT\\" + std::string(100, 'k') + "\\Tail", 80);
  EXPECT_EQ(Columns(line), 79);
  EXPECT_EQ(line.substr(line.size() - 5), "\\Tail");
  EXPECT_NE(line.find("Scanning X  ...k"), std::string::npos) << line;
}

TEST(TerminalOutputTest, ControlCharactersInRegistryTextCannotReachTheTerminal) {
  EXPECT_EQ(Printable("a\x1b[2Jb\nc\x7f\xC3\xA9"), "a\\x1b[2Jb\\x0ac\\x7f\xC3\xA9");
  EXPECT_EQ(Printable("C:\\Program Files\\x"), "C:\\Program Files\\x");
}

TEST(CliOptionsTest, TypesAreNumbersOrCategoryNamesKeptSortedOnce) {
  std::string error;
  auto options =
      ParseOptions({"--type", "13", "--type=3", "--type", "muicache", "--type", "3"}, kOptType, &error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->types, (std::vector<int>{3, 8, 13}));
  EXPECT_EQ(SelectedTypes(Options{}), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13}));
  for (const char* bad : {"9", "12", "0", "14", "3x", "", "Reserved"}) {
    EXPECT_FALSE(ParseOptions({"--type", bad}, kOptType, &error)) << bad;
    EXPECT_NE(error.find("type"), std::string::npos);
  }
}

TEST(CliOptionsTest, RejectsWhatTheCommandDoesNotTake) {
  std::string error;
  EXPECT_FALSE(ParseOptions({"--json"}, kOptRegistry, &error));
  EXPECT_NE(error.find("--json"), std::string::npos);
  EXPECT_FALSE(ParseOptions({"--registry"}, kOptRegistry, &error));
  EXPECT_NE(error.find("needs a value"), std::string::npos);
  EXPECT_FALSE(ParseOptions({"--yes=1"}, kOptYes, &error));
  EXPECT_FALSE(ParseOptions({"--registry="}, kOptRegistry, &error));

  auto options =
      ParseOptions({"-y", "--registry=wine:/p", "dir", "--", "--json"}, kOptRegistry | kOptYes, &error);
  ASSERT_TRUE(options) << error;
  EXPECT_TRUE(options->yes);
  EXPECT_EQ(options->registry, "wine:/p");
  EXPECT_EQ(options->arguments, (std::vector<std::string>{"dir", "--json"}));
}

}  // namespace
}  // namespace cli
