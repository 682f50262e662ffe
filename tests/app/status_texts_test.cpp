// What the pages show for a result: categories, health levels, the four
// status labels and the time since the scan.
#include <gtest/gtest.h>

#include "app/core/categories.h"
#include "app/core/health.h"
#include "app/core/profile.h"
#include "tests/app/test_support.h"

namespace clarivo {
namespace {

constexpr double kMinute = 1.0 / (24 * 60);
constexpr double kHour = 1.0 / 24;

std::string Utf8(const std::optional<std::u16string>& s) { return s ? platform::ToUtf8(*s) : "<unset>"; }

TEST(Categories, TableNamesAndImageKeys) {
  EXPECT_EQ(Categories().size(), 13u);
  int serious = 0, general = 0;
  for (const CategoryInfo& c : Categories()) {
    EXPECT_EQ(c.bit, 1 << (c.type - 1));
    if (c.group == CategoryGroup::kSerious) serious |= c.bit;
    if (c.group == CategoryGroup::kGeneral) general |= c.bit;
  }
  EXPECT_EQ(serious, kSeriousMask);
  EXPECT_EQ(general, kGeneralMask);
  EXPECT_EQ(serious | general, kFullScanMask);

  EXPECT_EQ(GetCategoryName(0x0010), GetCategoryName(0x0200));
  EXPECT_EQ(GetCategoryName(0x0001), u"Invalid shared DLLs");
  EXPECT_EQ(GetCategoryName(0x0800), u"Fonts");
  EXPECT_EQ(GetCategoryName(0x0100), u"");
  EXPECT_EQ(GetCategoryName(0x2000), u"");

  std::vector<std::string> added;
  CategoryImageTable table;
  table.Build([&](const std::string& file) {
    added.push_back(file);
    // The fourth icon cannot be loaded; the list then has one entry less.
    if (added.size() == 4) return -1;
    return static_cast<int>(added.size()) - (added.size() > 4 ? 2 : 1);
  });
  ASSERT_EQ(added.size(), 22u);
  EXPECT_EQ(added[0], "icon/1_MUICache.ico");
  EXPECT_EQ(added[11], "icon_witherror/1_MUICache.ico");
  EXPECT_EQ(table.Get(0x0080, false), 0);
  EXPECT_EQ(table.Get(0x1000, false), -1);
  EXPECT_EQ(table.Get(0x0001, false), 3);
  EXPECT_EQ(CategoryImageTable::Key(0x0001, true), 0x0408);
  EXPECT_EQ(table.Get(0x0001, true), 14);
  EXPECT_EQ(table.Get(0x0800, false), -1);
  EXPECT_EQ(table.Get(0x0100, true), -1);
}

TEST(HealthLevels, StatusImageForUnknownLevels) {
  EXPECT_STREQ(GetStatusImage(9), "Status_Serials.png");
  EXPECT_STREQ(OverviewImageName(-1), "0.png");
}

TEST(StatusTexts, TimeSinceTheScan) {
  EXPECT_EQ(TimeSinceScanText(25 * kHour), u"Last scanned : 1 days ago");
  EXPECT_EQ(TimeSinceScanText(3 * kHour + 59 * kMinute), u"Last scanned : 3 hours ago");
  EXPECT_EQ(TimeSinceScanText(59 * kMinute + 40.0 / 86400), u"Last scanned : 59 minutes ago");
  EXPECT_EQ(TimeSinceScanText(59 * kMinute + 59.6 / 86400), u"Last scanned : 1 hours ago")
      << "half a second rounds";
  EXPECT_EQ(TimeSinceScanText(-5 * kMinute), u"Last scanned : -5 minutes ago") << "future: minutes form";
  EXPECT_EQ(TimeSinceScanText(-3 * kHour), u"Last scanned : 0 minutes ago");
  EXPECT_EQ(TimeSinceScanText(1e300), u"Last scanned : 1000000000 days ago");
}

ScanResult Completed(int serious, int general, int level, int score) {
  ScanResult r;
  r.has_result = true;
  r.serious = serious;
  r.general = general;
  r.total = serious + general;
  r.health_level = level;
  r.health_score = score;
  r.scan_time = {1000.0, 0};
  return r;
}

TEST(StatusTexts, LabelsForEachCase) {
  StatusTexts none = ComputeStatusTexts(ScanResult{}, 1000.0, true);
  EXPECT_EQ(Utf8(none.errors.text), "Never scanned your registry before");
  EXPECT_FALSE(none.errors.colour);
  EXPECT_EQ(Utf8(none.last_scan.text), "Last scanned :--");
  EXPECT_EQ(Utf8(none.score.text), "--");
  EXPECT_EQ(none.score.colour, kColourRed);
  EXPECT_EQ(Utf8(none.status.text), "Please Check Your PC!");
  EXPECT_EQ(none.status.colour, kColourRed);

  StatusTexts clean = ComputeStatusTexts(Completed(0, 0, 4, 95), 1000.0 + 2 * kHour, true);
  EXPECT_EQ(Utf8(clean.errors.text), "No registry errors.");
  EXPECT_EQ(clean.errors.colour, kColourGreen);
  EXPECT_FALSE(clean.errors.font_points);
  EXPECT_EQ(Utf8(clean.last_scan.text), "Last scanned : 2 hours ago");
  EXPECT_EQ(Utf8(clean.score.text), "95");
  EXPECT_EQ(clean.score.colour, kColourGreen);
  EXPECT_EQ(Utf8(clean.status.text), "");
  EXPECT_EQ(clean.status.colour, kColourGreen);

  StatusTexts seven = ComputeStatusTexts(Completed(3, 4, 3, 64), 1000.0, false);
  EXPECT_EQ(Utf8(seven.errors.text), "7 errors need to be fixed!");
  EXPECT_EQ(seven.errors.colour, kColourRed);
  EXPECT_EQ(seven.errors.font_points, 13);
  EXPECT_EQ(seven.score.font_points, 13);
  EXPECT_EQ(Utf8(seven.score.text), "64");
  EXPECT_EQ(Utf8(seven.status.text), "Please fix your PC!");
  EXPECT_EQ(Utf8(ComputeStatusTexts(Completed(3, 4, 2, 41), 1000.0, true).errors.text),
            "7 registry errors need to be fixed!");

  ScanResult old = Completed(0, 0, 4, 90);
  old.scan_time.date = -1.75;  // 1899-12-29 18:00
  EXPECT_EQ(Utf8(ComputeStatusTexts(old, 0.5, true).last_scan.text), "Last scanned : 18 hours ago");

  // A stopped run's level shows the texts of "no result yet".
  StatusTexts stopped = ComputeStatusTexts(Completed(1, 0, 0, 0), 1000.0, true);
  EXPECT_EQ(Utf8(stopped.score.text), "--");
  EXPECT_EQ(Utf8(stopped.status.text), "Please Check Your PC!");
}

class RecordingLabel : public ILabel {
 public:
  void SetText(const std::u16string& t) override { log += "text:" + platform::ToUtf8(t) + ";"; }
  void SetTextColour(std::uint32_t c) override { log += "colour:" + std::to_string(c) + ";"; }
  void SetFontSize(int p) override { log += "size:" + std::to_string(p) + ";"; }
  void Redraw() override { log += "redraw;"; }
  std::string log;
};

class StatusLabels : public testing::ProgramSandbox {};

TEST_F(StatusLabels, FilledFromTheStoredResult) {
  RecordingLabel errors, last, score, status;
  ScanResult current;
  SetStatusTexts(current, &errors, &last, &score, &status, true);
  EXPECT_EQ(errors.log, "text:Never scanned your registry before;redraw;");
  EXPECT_EQ(score.log, "text:--;colour:" + std::to_string(kColourRed) + ";redraw;");
  EXPECT_EQ(std::string(GetOverviewImage(current)), "0.png");

  ScanResult stored = Completed(0, 0, 4, 92);
  stored.scan_time = OleDateNow();
  ASSERT_TRUE(SaveLastResult(stored));
  errors.log.clear();
  last.log.clear();
  SetStatusTexts(current, &errors, &last, nullptr, nullptr, true);
  EXPECT_TRUE(current.has_result);
  EXPECT_EQ(errors.log, "text:No registry errors.;colour:" + std::to_string(kColourGreen) + ";redraw;");
  EXPECT_EQ(last.log, "text:Last scanned : 0 minutes ago;redraw;");
  EXPECT_EQ(std::string(GetOverviewImage(current)), "3.png");
}

}  // namespace
}  // namespace clarivo
