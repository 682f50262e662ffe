// What every skinned window and control shares: the font helpers of
// CWndHelper, colours given as Windows COLORREF values, and the way a control
// draws the part of its parent's skin that lies beneath it (so that its text
// or image sits on the skin without a box around it, and a changed text
// leaves no trace of the old one).
#pragma once

#include <wx/dc.h>
#include <wx/font.h>
#include <wx/window.h>

#include <cstdint>

namespace clarivo::ui {

// A COLORREF (0x00BBGGRR) as a colour.
inline wxColour FromColorRef(std::uint32_t colour) {
  return wxColour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// A window that paints a skin: `PaintBackground` draws it into `dc` as the
// window itself would, at the DC's current origin.
class ISkinBackground {
 public:
  virtual void PaintBackground(wxDC& dc) = 0;

 protected:
  ~ISkinBackground() = default;
};

// Draws into `dc` (the child's own) what the child's parent shows beneath it;
// a parent without a skin gives its background colour.
void PaintParentBackground(wxWindow* child, wxDC& dc);

// The default font of every skinned window: the desktop's sans font, 9 points.
wxFont DefaultSkinFont();

class CWndHelper {
 public:
  virtual ~CWndHelper() = default;
  virtual wxWindow* GetWnd() = 0;
  // The window's current font, bold.
  void SetBold();
  // The window's current font at `points` points.
  void SetFontSize(int points);
  virtual void SetLogFont(const wxFont& font);
  // Keeps the size / the position.
  void MoveTo(int x, int y);
  void ResizeTo(int width, int height);
};

}  // namespace clarivo::ui
