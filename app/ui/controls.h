// The skinned controls of the pages: the four-frame image button, the
// transparent text, the check box and the drop-down list.
#pragma once

#include <wx/bitmap.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/control.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/wnd_helper.h"

namespace clarivo::ui {

// Text format values of the pages: single line, centred both ways (37) is
// the only one they use; 0 is left-aligned at the top.
inline constexpr int kFormatCentred = 37;

// A button drawn from an image strip of four frames of equal height: 0 normal,
// 1 hot (mouse over), 2 pressed, 3 disabled. Clicking sends wxEVT_BUTTON with
// its id to its parent. Without an image it keeps the size it was made with.
class CButton4Status : public wxControl, public CWndHelper {
 public:
  static constexpr int kAutomatic = 4;

  CButton4Status(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, const wxString& text = {});
  wxWindow* GetWnd() override { return this; }

  // Loads `name` from the image folder (owned by the button); the button
  // takes the strip's width and a quarter of its height.
  void SetImage(const std::string& name);
  bool HasImage() const { return strip_.IsOk(); }
  // 4 = automatic, 0..3 = that frame always.
  void SetForcedState(int state);
  int forced_state() const { return forced_; }
  // The frame the button shows now.
  int CurrentFrame() const;
  void SetText(const wxString& text);
  const wxString& text() const { return text_; }
  void SetTextColour(std::uint32_t colour);
  void SetShadowColour(std::uint32_t colour);
  void SetFormat(int format) { format_ = format; }
  // The text area, relative to the button; by default the whole button.
  void SetTextRect(const wxRect& rect);
  const wxRect& text_rect() const { return text_rect_; }
  bool Enable(bool enable = true) override;

 protected:
  wxSize DoGetBestSize() const override;

 private:
  void OnPaint(wxPaintEvent& event);
  void OnMouseDown(wxMouseEvent& event);
  void OnMouseUp(wxMouseEvent& event);
  void OnEnter(wxMouseEvent& event);
  void OnLeave(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  bool AcceptsFocus() const override { return false; }

  wxBitmap strip_;
  wxString text_;
  wxColour text_colour_ = *wxBLACK;
  std::optional<wxColour> shadow_colour_;
  int format_ = kFormatCentred;
  wxRect text_rect_;
  bool text_rect_set_ = false;
  int forced_ = kAutomatic;
  bool mouse_inside_ = false;
  bool pressed_ = false;
};

// A static text drawn on its parent's skin (transparent, the default) or on
// a background colour. It sizes itself to its text unless a fixed width is
// given; changing the text repaints the parent beneath the old and the new
// text at once.
class CHMXStatic : public wxControl, public CWndHelper {
 public:
  // width 0: as wide as the text. align: wxALIGN_LEFT or wxALIGN_CENTRE_HORIZONTAL.
  CHMXStatic(wxWindow* parent, int id, const wxPoint& pos, const wxString& text = {}, int width = 0,
             int align = wxALIGN_LEFT);
  wxWindow* GetWnd() override { return this; }

  void SetText(const wxString& text);
  const wxString& text() const { return text_; }
  void SetTextColour(std::uint32_t colour);
  wxColour text_colour() const { return text_colour_; }
  void SetBackgroundColourRef(std::uint32_t colour);
  void SetTransparent(bool transparent);
  void SetLogFont(const wxFont& font) override;
  CHMXStatic* SetAlignment(int align) {
    align_ = align;
    Refresh();
    return this;
  }
  // Breaks the text into lines no wider than `width` (0: no wrapping).
  CHMXStatic* Wrap(int width);
  // The text as drawn (wrapped).
  wxString DisplayText() const;

 protected:
  wxSize DoGetBestSize() const override;

 private:
  void OnPaint(wxPaintEvent& event);
  void Relayout();

  wxString text_;
  int wrap_width_ = 0;
  wxColour text_colour_;
  wxColour background_;
  bool transparent_ = true;
  int fixed_width_;
  int align_;
};

// A check box drawn on a solid background colour (the pages use white): a
// box, its tick and the text. A click toggles it and sends wxEVT_CHECKBOX.
class CHMXCheckBox : public wxControl, public CWndHelper {
 public:
  CHMXCheckBox(wxWindow* parent, int id, const wxPoint& pos, const wxString& text,
               std::uint32_t background = 0xFFFFFF);
  wxWindow* GetWnd() override { return this; }
  bool GetValue() const { return checked_; }
  void SetValue(bool checked);
  const wxString& text() const { return text_; }
  void SetLogFont(const wxFont& font) override;

 protected:
  wxSize DoGetBestSize() const override;

 private:
  void OnPaint(wxPaintEvent& event);
  void OnClick(wxMouseEvent& event);
  void OnKey(wxKeyEvent& event);
  void Toggle();

  wxString text_;
  wxColour background_;
  bool checked_ = false;
  bool hot_ = false;
};

// A drop-down list: the chosen item in a framed field with an arrow; a click
// opens the list as a menu below the field. Choosing sends wxEVT_CHOICE.
class CHMXComboBox : public wxControl, public CWndHelper {
 public:
  CHMXComboBox(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size);
  wxWindow* GetWnd() override { return this; }
  void Append(const wxString& item);
  void Clear();
  unsigned GetCount() const { return static_cast<unsigned>(items_.size()); }
  const wxString& GetString(unsigned index) const { return items_[index]; }
  int GetSelection() const { return selection_; }
  void SetSelection(int index);
  // Opens the list as a click does.
  void OpenList();

 private:
  void OnPaint(wxPaintEvent& event);

  std::vector<wxString> items_;
  int selection_ = -1;
  bool hot_ = false;
};

}  // namespace clarivo::ui
