// How a scan result is shown: the health levels with their texts, colours and
// images, and the four status labels of the pages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/core/scan_result.h"
#include "app/core/user_interface.h"

namespace clarivo {

// COLORREF values (0x00BBGGRR).
inline constexpr std::uint32_t kColourRed = 0x1201E4;
inline constexpr std::uint32_t kColourGreen = 0x008000;
inline constexpr int kErrorsFontPoints = 13;

// Message identifier of a level's status text ("" for level 4).
const char* HealthStatusText(int level);
// The level's colour: green for 4, red otherwise.
std::uint32_t HealthColour(int level);
// "0.png" (levels 0, 1 and unknown), "1.png", "2.png", "3.png" (level 4).
const char* OverviewImageName(int level);
// "Status_Greate.png" for 4, "Status_Medium.png" for 3, else "Status_Serials.png".
const char* GetStatusImage(int level);
// Loads the stored result into `result`, then the overview image of its level
// ("0.png" when there is none).
const char* GetOverviewImage(ScanResult& result);

// What one label gets; an unset field is left as the label has it.
struct LabelState {
  std::optional<std::u16string> text;
  std::optional<std::uint32_t> colour;
  std::optional<int> font_points;
};

struct StatusTexts {
  LabelState errors;
  LabelState last_scan;
  LabelState score;
  LabelState status;
};

// "Last scanned : N days ago" (or hours, or minutes) for a scan that ended
// `span_days` days ago (negative: in the future).
std::u16string TimeSinceScanText(double span_days);

// The four labels for `result` (has_result decides which form), `now` being
// the current local time as an OLE date.
StatusTexts ComputeStatusTexts(const ScanResult& result, double now, bool registry_wording);

// Loads the stored result into `result`, computes the labels for the current
// time and fills the labels (any of them may be null).
void SetStatusTexts(ScanResult& result, ILabel* errors, ILabel* last_scan, ILabel* score, ILabel* status,
                    bool registry_wording);

}  // namespace clarivo
