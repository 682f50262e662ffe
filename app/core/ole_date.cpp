#include "app/core/ole_date.h"

#include <cmath>

namespace clarivo {
namespace {

constexpr double kMinDate = -657434.0;  // 0100-01-01
constexpr double kMaxDate = 2958465.0;  // 9999-12-31
constexpr std::int64_t kDaysFrom1970To1899 = 25569;

// Howard Hinnant's days-from-civil: days since 1970-01-01.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int* y, unsigned* m, unsigned* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2));
}

}  // namespace

double OleDateFromTm(const std::tm& t) {
  std::int64_t days = DaysFromCivil(t.tm_year + 1900LL, static_cast<unsigned>(t.tm_mon + 1),
                                    static_cast<unsigned>(t.tm_mday)) +
                      kDaysFrom1970To1899;
  double fraction = (t.tm_hour * 3600.0 + t.tm_min * 60.0 + t.tm_sec) / 86400.0;
  // Before 1899-12-30 the fraction still counts forward from midnight.
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

OleDateTime OleDateNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {OleDateFromTm(local), kOleDateValid};
}

bool OleDateToTm(double date, std::tm* out) {
  if (!std::isfinite(date) || date < kMinDate || date > kMaxDate + 1.0) return false;
  double whole = std::trunc(date);
  double fraction = std::fabs(date - whole);
  auto seconds = static_cast<std::int64_t>(std::llround(fraction * 86400.0));
  auto days = static_cast<std::int64_t>(whole);
  if (seconds >= 86400) {  // rounding reached the next midnight
    seconds -= 86400;
    days += date >= 0 ? 1 : -1;
  }
  int y;
  unsigned m, d;
  CivilFromDays(days - kDaysFrom1970To1899, &y, &m, &d);
  if (y < 100 || y > 9999) return false;
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = static_cast<int>(m) - 1;
  t.tm_mday = static_cast<int>(d);
  t.tm_hour = static_cast<int>(seconds / 3600);
  t.tm_min = static_cast<int>(seconds / 60 % 60);
  t.tm_sec = static_cast<int>(seconds % 60);
  std::int64_t since_1970 = days - kDaysFrom1970To1899;
  t.tm_wday = static_cast<int>(((since_1970 % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  t.tm_yday = static_cast<int>(since_1970 - DaysFromCivil(y, 1, 1));
  t.tm_isdst = -1;
  *out = t;
  return true;
}

double OleDateSpanDays(double later, double earlier) {
  auto linear = [](double d) {
    if (!(d < 0)) return d;
    const double whole = std::trunc(d);
    return whole + (whole - d);
  };
  return linear(later) - linear(earlier);
}

std::string FormatOleDate(double date, const char* format) {
  std::tm t{};
  if (!OleDateToTm(date, &t)) return {};
  char buffer[256];
  std::size_t n = std::strftime(buffer, sizeof buffer, format, &t);
  return std::string(buffer, n);
}

}  // namespace clarivo
