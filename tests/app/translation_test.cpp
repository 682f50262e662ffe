// The catalogue: German through gettext, identifiers passing through, and
// every identifier of the core listed and translated.
#include "app/core/translation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "tests/app/test_support.h"

namespace clarivo {
namespace {

namespace fs = std::filesystem;

// Decodes the escapes of a C or PO string literal body.
std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
  }
  return out;
}

struct PoEntry {
  std::string msgstr;
  bool fuzzy = false;
};

std::map<std::string, PoEntry> ReadPo(const std::string& path) {
  std::map<std::string, PoEntry> entries;
  std::istringstream in(testing::ReadText(path));
  std::string line, id, str, *target = nullptr;
  bool fuzzy = false, next_fuzzy = false;
  auto flush = [&] {
    if (!id.empty()) entries[id] = {str, fuzzy};
    id.clear();
    str.clear();
  };
  const std::regex quoted("^(msgid|msgstr)? ?\"(.*)\"$");
  while (std::getline(in, line)) {
    std::smatch m;
    if (line.starts_with("#,") && line.find("fuzzy") != std::string::npos) next_fuzzy = true;
    if (!std::regex_match(line, m, quoted)) continue;
    if (m[1] == "msgid") {
      flush();
      fuzzy = next_fuzzy;
      next_fuzzy = false;
      target = &id;
    } else if (m[1] == "msgstr") {
      target = &str;
    }
    if (target) *target += Unescape(m[2]);
  }
  flush();
  return entries;
}

// Every literal the core passes to N_(), Translate() or TranslateUtf8().
std::set<std::string> IdentifiersInCore() {
  std::set<std::string> ids;
  const std::regex call(R"((?:N_|Translate|TranslateUtf8)\(\s*"((?:[^"\\]|\\.)*)\"\s*\))");
  for (const auto& e : fs::directory_iterator(std::string(CLARIVO_SOURCE_DIR) + "/app/core")) {
    std::string text = testing::ReadText(e.path());
    for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
      std::string id = Unescape((*it)[1]);
      if (!id.empty()) ids.insert(id);
    }
  }
  return ids;
}

const std::string kLanguages = std::string(CLARIVO_BIN_DIR) + "/Languages";

// Leaves the process with English texts for the tests that follow.
void BindNoCatalogue() {
  unsetenv("LANGUAGE");
  BindTranslation("app-tests-without-catalogue", "/nonexistent");
}

class Translation : public testing::ProgramSandbox {
 protected:
  void SetUp() override {
    ProgramSandbox::SetUp();
    setenv("LANGUAGE", "de", 1);
  }
  void TearDown() override {
    BindNoCatalogue();
    ProgramSandbox::TearDown();
  }
};

TEST_F(Translation, GermanCatalogueAndPassThrough) {
  ASSERT_TRUE(fs::exists(kLanguages + "/de/LC_MESSAGES/Clarivo.mo")) << "the build compiles the catalogue";
  BindTranslation("Clarivo", kLanguages);
  EXPECT_EQ(Translate("Overview"), u"Übersicht");
  EXPECT_EQ(Translate("Improve PC security,\r\nperformance and stability"),
            u"Mehr Sicherheit,\r\nLeistung und Stabilität");
  EXPECT_EQ(Translate("Not in any catalogue"), u"Not in any catalogue");
  EXPECT_EQ(Translate(""), u"") << "the empty identifier is not the catalogue header";
  EXPECT_EQ(FormatNumber(Translate("%d registry errors need to be fixed!"), 12),
            u"12 Registrierungsfehler müssen behoben werden!");

  setenv("LANGUAGE", "xx", 1);
  BindTranslation("Clarivo", kLanguages);
  EXPECT_EQ(Translate("Overview"), u"Overview") << "no catalogue for the language";
}

TEST_F(Translation, StartUpFindsTheFolderThroughTheIni) {
  // Without a "LANGUAGE" key: below the program's own folder.
  fs::create_directories(bin_dir() + "/de/LC_MESSAGES");
  fs::copy_file(kLanguages + "/de/LC_MESSAGES/Clarivo.mo", bin_dir() + "/de/LC_MESSAGES/Clarivo.mo");
  SetUpTranslation();
  EXPECT_EQ(Translate("Settings"), u"Einstellungen");

  testing::WriteText(ini_path(), "[Deploy]\nLANGUAGE=..\\nowhere\\\n");
  SetUpTranslation();
  EXPECT_EQ(Translate("Settings"), u"Settings") << "a missing folder gives the English identifiers";
}

TEST(TranslationFormat, OnlyTheNumberIsFilledIn) {
  EXPECT_EQ(FormatNumber(u"%d errors", 7), u"7 errors");
  EXPECT_EQ(FormatNumber(u"%d     error(s) found", -3), u"-3     error(s) found");
  EXPECT_EQ(FormatNumber(u"%s %n %d %d 100%%", 1), u"%s %n 1 %d 100%");
}

TEST(Catalogue, EveryIdentifierIsListedAndTranslated) {
  const std::string dir = std::string(CLARIVO_SOURCE_DIR) + "/skin/languages";
  auto pot = ReadPo(dir + "/Clarivo.pot");
  auto de = ReadPo(dir + "/de.po");
  ASSERT_GT(pot.size(), 100u);

  std::set<std::string> used = IdentifiersInCore();
  EXPECT_GT(used.size(), 20u);
  for (const std::string& id : used) EXPECT_TRUE(pot.count(id)) << "missing from Clarivo.pot: " << id;

  for (const auto& [id, entry] : pot) {
    EXPECT_TRUE(entry.msgstr.empty()) << id;
    auto it = de.find(id);
    ASSERT_NE(it, de.end()) << "missing from de.po: " << id;
    EXPECT_FALSE(it->second.msgstr.empty()) << "untranslated: " << id;
    EXPECT_FALSE(it->second.fuzzy) << "fuzzy: " << id;
    auto count = [](const std::string& s) {
      std::size_t n = 0;
      for (std::size_t p = s.find("%d"); p != std::string::npos; p = s.find("%d", p + 2)) ++n;
      return n;
    };
    EXPECT_EQ(count(id), count(it->second.msgstr)) << id;
  }
  EXPECT_EQ(de.size(), pot.size()) << "de.po holds identifiers the list lacks";

  // The compiled catalogue answers each of them.
  setenv("LANGUAGE", "de", 1);
  BindTranslation("Clarivo", kLanguages);
  for (const auto& [id, entry] : de) EXPECT_EQ(TranslateUtf8(id.c_str()), entry.msgstr) << id;
  BindNoCatalogue();
}

}  // namespace
}  // namespace clarivo
