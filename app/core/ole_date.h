// Date-times as the program stores them: an OLE Automation date (days since
// 1899-12-30 00:00, the fraction being the time of day) in local time, with a
// validity status (0 = valid).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace clarivo {

inline constexpr std::int32_t kOleDateValid = 0;
inline constexpr std::int32_t kOleDateInvalid = 1;
inline constexpr std::int32_t kOleDateNull = 2;

struct OleDateTime {
  double date = 0.0;
  std::int32_t status = kOleDateValid;

  bool operator==(const OleDateTime&) const = default;
};

// The broken-down local time as an OLE date (seconds precision).
double OleDateFromTm(const std::tm& local);
// The current local date and time.
OleDateTime OleDateNow();
// False for dates outside years 100..9999 or not finite.
bool OleDateToTm(double date, std::tm* local);
// `later` - `earlier` in days. Before 1899-12-30 the fraction of an OLE date
// counts forward from midnight while the days count back, so plain
// subtraction is wrong there.
double OleDateSpanDays(double later, double earlier);
// strftime of the date; empty when the date cannot be converted.
std::string FormatOleDate(double date, const char* format);

}  // namespace clarivo
