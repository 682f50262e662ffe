// OLE dates: the scan time and the names of the backup folders derive from them.
#include "app/core/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>

namespace clarivo {
namespace {

std::tm Local(int y, int mo, int d, int h, int mi, int s) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  return t;
}

TEST(OleDate, KnownDatesAndFolderNames) {
  EXPECT_DOUBLE_EQ(OleDateFromTm(Local(1899, 12, 30, 0, 0, 0)), 0.0);
  EXPECT_DOUBLE_EQ(OleDateFromTm(Local(2000, 1, 1, 0, 0, 0)), 36526.0);
  EXPECT_DOUBLE_EQ(OleDateFromTm(Local(2000, 1, 1, 18, 0, 0)), 36526.75);
  EXPECT_DOUBLE_EQ(OleDateFromTm(Local(1899, 12, 29, 6, 0, 0)), -1.25) << "the fraction counts from midnight";

  EXPECT_EQ(FormatOleDate(36526.75, "%y%m%d%H%M%S"), "000101180000");
  EXPECT_EQ(FormatOleDate(-1.25, "%Y-%m-%d %H:%M"), "1899-12-29 06:00");
  EXPECT_EQ(FormatOleDate(OleDateFromTm(Local(2026, 12, 8, 23, 59, 59)), "%y%m%d%H%M%S"), "261208235959");
  EXPECT_EQ(FormatOleDate(std::nan(""), "%y"), "");
  EXPECT_EQ(FormatOleDate(1e12, "%y"), "");

  // Spans across 1899-12-30, where the fraction of a negative date counts forward.
  EXPECT_DOUBLE_EQ(OleDateSpanDays(0.5, -1.75), 0.75);  // 12-29 18:00 to 12-30 12:00
  EXPECT_DOUBLE_EQ(OleDateSpanDays(-1.25, -2.5), 0.75);
  EXPECT_DOUBLE_EQ(OleDateSpanDays(36526.25, 36527.75), -1.5);

  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_NEAR(OleDateNow().date, OleDateFromTm(local), 2.0 / 86400);
}

}  // namespace
}  // namespace clarivo
