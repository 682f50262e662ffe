#include "app/core/health.h"

#include <cmath>

#include "app/core/translation.h"
#include "platform/text.h"

namespace clarivo {
namespace {

constexpr double kHalfSecond = 0.5 / 86400.0;

void Apply(const LabelState& state, ILabel* label) {
  if (!label) return;
  if (state.font_points) label->SetFontSize(*state.font_points);
  if (state.text) label->SetText(*state.text);
  if (state.colour) label->SetTextColour(*state.colour);
  if (state.text || state.colour || state.font_points) label->Redraw();
}

}  // namespace

const char* HealthStatusText(int level) {
  switch (level) {
    case 2:
      return N_("Your PC is in danger");
    case 3:
      return N_("Please fix your PC!");
    case 4:
      return "";
    default:
      return N_("Please Check Your PC!");
  }
}

std::uint32_t HealthColour(int level) { return level == 4 ? kColourGreen : kColourRed; }

const char* OverviewImageName(int level) {
  switch (level) {
    case 2:
      return "1.png";
    case 3:
      return "2.png";
    case 4:
      return "3.png";
    default:
      return "0.png";
  }
}

const char* GetStatusImage(int level) {
  if (level == 4) return "Status_Greate.png";
  if (level == 3) return "Status_Medium.png";
  return "Status_Serials.png";
}

const char* GetOverviewImage(ScanResult& result) {
  return LoadLastResult(result) ? OverviewImageName(result.health_level) : "0.png";
}

std::u16string TimeSinceScanText(double span) {
  // A stored time far off (or not a number) must not overflow the conversions.
  if (!std::isfinite(span)) span = 0.0;
  span = std::fmax(-1e9, std::fmin(1e9, span));
  const double s = span >= 0 ? span + kHalfSecond : span - kHalfSecond;
  const long long days = static_cast<long long>(s);
  const char* unit;
  long long amount;
  if (days >= 1) {
    amount = days, unit = N_("days ago");
  } else if (long long hours = static_cast<long long>(s * 24) % 24; hours >= 1) {
    amount = hours, unit = N_("hours ago");
  } else {
    amount = static_cast<long long>(s * 24 * 60) % 60, unit = N_("minutes ago");
  }
  return Translate(N_("Last scanned :")) + u" " + platform::ToUtf16(std::to_string(amount)) + u" " +
         Translate(unit);
}

StatusTexts ComputeStatusTexts(const ScanResult& r, double now, bool registry_wording) {
  StatusTexts t;
  if (!r.has_result) {
    t.last_scan.text = Translate(N_("Last scanned :")) + Translate(N_("--"));
    t.score.text = Translate(N_("--"));
    t.score.colour = kColourRed;
    t.status.text = Translate(N_("Please Check Your PC!"));
    t.status.colour = kColourRed;
    t.errors.text = Translate(N_("Never scanned your registry before"));
    return t;
  }
  const long long total = static_cast<long long>(r.serious) + r.general;
  if (total > 0) {
    t.errors.text = FormatNumber(Translate(registry_wording ? N_("%d registry errors need to be fixed!")
                                                            : N_("%d errors need to be fixed!")),
                                 total);
    t.errors.font_points = kErrorsFontPoints;
    t.score.font_points = kErrorsFontPoints;
    t.errors.colour = kColourRed;
  } else {
    t.errors.text = Translate(N_("No registry errors."));
    t.errors.colour = kColourGreen;
  }
  t.last_scan.text = TimeSinceScanText(OleDateSpanDays(now, r.scan_time.date));
  const int level = r.health_level;
  t.score.text =
      level >= 2 && level <= 4 ? platform::ToUtf16(std::to_string(r.health_score)) : Translate(N_("--"));
  t.score.colour = HealthColour(level);
  t.status.text = Translate(HealthStatusText(level));
  t.status.colour = HealthColour(level);
  return t;
}

void SetStatusTexts(ScanResult& result, ILabel* errors, ILabel* last_scan, ILabel* score, ILabel* status,
                    bool registry_wording) {
  LoadLastResult(result);
  StatusTexts t = ComputeStatusTexts(result, OleDateNow().date, registry_wording);
  Apply(t.errors, errors);
  Apply(t.last_scan, last_scan);
  Apply(t.score, score);
  Apply(t.status, status);
}

}  // namespace clarivo
