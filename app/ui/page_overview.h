// Page 0 of the main window: the health gauge, the status of the last scan,
// the total of fixed errors and the big start button.
#pragma once

#include <array>

#include "app/core/user_interface.h"
#include "app/ui/gif_control.h"
#include "app/ui/page_base.h"

namespace clarivo::ui {

// A page label as the core fills it.
class LabelAdapter : public ILabel {
 public:
  explicit LabelAdapter(CHMXStatic* label) : label_(label) {}
  void SetText(const std::u16string& text) override;
  void SetTextColour(std::uint32_t colour) override;
  void SetFontSize(int points) override;
  void Redraw() override;

 private:
  CHMXStatic* label_;
};

class CPageOverview : public CFormViewBase {
 public:
  explicit CPageOverview(wxWindow* parent);

  // Reloads the stored result: gauge pair, status labels, fixed total.
  void RefreshFigures();
  // The animation pair shown now: 0 low, 1 min, 2 max.
  int shown_pair() const { return shown_pair_; }
  CGifControl* animation(int pair, bool lower) const { return lower ? lower_[pair] : upper_[pair]; }

 protected:
  void PaintExtras(wxDC& dc) override;

 private:
  void OnStartScan(wxCommandEvent& event);
  void OnUpdate(wxCommandEvent& event);
  CHMXStatic* Label(int id, const wxPoint& pos, const wxString& text, int points, bool bold,
                    std::uint32_t colour, int width = 0);

  std::array<CGifControl*, 3> upper_{};
  std::array<CGifControl*, 3> lower_{};
  int shown_pair_ = 0;
  const wxBitmap& registry_scan_;
  const wxBitmap& attention_;
};

}  // namespace clarivo::ui
