#include "app/ui/controls.h"

#include <wx/arrstr.h>
#include <wx/dcbuffer.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include <algorithm>

#include "app/ui/skin_cache.h"

namespace clarivo::ui {
namespace {

int AlignmentOf(int format) {
  // DT_CENTER 1, DT_VCENTER 4; single line is how every text here is drawn.
  int align = 0;
  align |= (format & 1) ? wxALIGN_CENTRE_HORIZONTAL : ((format & 2) ? wxALIGN_RIGHT : wxALIGN_LEFT);
  align |= (format & 4) ? wxALIGN_CENTRE_VERTICAL : ((format & 8) ? wxALIGN_BOTTOM : wxALIGN_TOP);
  return align;
}

}  // namespace

// --- CButton4Status -------------------------------------------------------

CButton4Status::CButton4Status(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size,
                               const wxString& text)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE), text_(text) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetFont(DefaultSkinFont());
  text_rect_ = wxRect(wxPoint(0, 0), size);
  Bind(wxEVT_PAINT, &CButton4Status::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &CButton4Status::OnMouseDown, this);
  Bind(wxEVT_LEFT_DCLICK, &CButton4Status::OnMouseDown, this);  // a double click is a click
  Bind(wxEVT_LEFT_UP, &CButton4Status::OnMouseUp, this);
  Bind(wxEVT_ENTER_WINDOW, &CButton4Status::OnEnter, this);
  Bind(wxEVT_LEAVE_WINDOW, &CButton4Status::OnLeave, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CButton4Status::OnCaptureLost, this);
}

void CButton4Status::SetImage(const std::string& name) {
  strip_ = LoadImageFile(GetImagePath(name));
  if (strip_.IsOk()) {
    wxSize size(strip_.GetWidth(), strip_.GetHeight() / 4);
    SetSize(size);
    SetMinSize(size);
    if (!text_rect_set_) text_rect_ = wxRect(wxPoint(0, 0), size);
  }
  Refresh();
}

void CButton4Status::SetForcedState(int state) {
  forced_ = state;
  Refresh();
}

int CButton4Status::CurrentFrame() const {
  if (forced_ >= 0 && forced_ < kAutomatic) return forced_;
  if (pressed_ && mouse_inside_) return 2;
  if (!IsEnabled()) return 3;
  if (mouse_inside_) return 1;
  return 0;
}

void CButton4Status::SetText(const wxString& text) {
  text_ = text;
  Refresh();
}

void CButton4Status::SetTextColour(std::uint32_t colour) {
  text_colour_ = FromColorRef(colour);
  Refresh();
}

void CButton4Status::SetShadowColour(std::uint32_t colour) {
  shadow_colour_ = FromColorRef(colour);
  Refresh();
}

void CButton4Status::SetTextRect(const wxRect& rect) {
  text_rect_ = rect;
  text_rect_set_ = true;
  Refresh();
}

bool CButton4Status::Enable(bool enable) {
  bool changed = wxControl::Enable(enable);
  Refresh();
  return changed;
}

wxSize CButton4Status::DoGetBestSize() const {
  if (strip_.IsOk()) return wxSize(strip_.GetWidth(), strip_.GetHeight() / 4);
  return GetSize();
}

void CButton4Status::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  PaintParentBackground(this, dc);
  const wxSize size = GetClientSize();
  if (strip_.IsOk()) {
    const int frame_height = strip_.GetHeight() / 4;
    const int y = frame_height * CurrentFrame();
    if (y + frame_height <= strip_.GetHeight() && frame_height > 0) {
      wxBitmap frame = strip_.GetSubBitmap(wxRect(0, y, strip_.GetWidth(), frame_height));
      if (frame.GetWidth() == size.x && frame.GetHeight() == size.y) {
        dc.DrawBitmap(frame, 0, 0, true);
      } else {
        wxImage scaled = frame.ConvertToImage().Scale(size.x, size.y, wxIMAGE_QUALITY_HIGH);
        dc.DrawBitmap(wxBitmap(scaled), 0, 0, true);
      }
    }
  }
  if (text_.empty()) return;
  wxString line = text_;
  if (format_ & 32) line.Replace("\n", " ");  // DT_SINGLELINE
  // A text longer than its area (a long translation) gets a smaller font
  // rather than running over the button's edge.
  wxFont font = GetFont();
  dc.SetFont(font);
  while (font.GetPointSize() > 7 && dc.GetMultiLineTextExtent(line).x > text_rect_.width - 4) {
    font.SetPointSize(font.GetPointSize() - 1);
    dc.SetFont(font);
  }
  const int align = AlignmentOf(format_);
  if (shadow_colour_) {
    dc.SetTextForeground(*shadow_colour_);
    wxRect shadow = text_rect_;
    shadow.Offset(1, 1);
    dc.DrawLabel(line, shadow, align);
  }
  dc.SetTextForeground(IsEnabled() ? text_colour_ : wxColour(0x80, 0x80, 0x80));
  dc.DrawLabel(line, text_rect_, align);
}

void CButton4Status::OnMouseDown(wxMouseEvent&) {
  if (!IsEnabled()) return;
  pressed_ = true;
  mouse_inside_ = true;
  if (!HasCapture()) CaptureMouse();
  Refresh();
}

void CButton4Status::OnMouseUp(wxMouseEvent& event) {
  if (!pressed_) return;
  pressed_ = false;
  if (HasCapture()) ReleaseMouse();
  const bool inside = wxRect(GetClientSize()).Contains(event.GetPosition());
  mouse_inside_ = inside;
  Refresh();
  if (!inside || !IsEnabled()) return;
  wxCommandEvent click(wxEVT_BUTTON, GetId());
  click.SetEventObject(this);
  ProcessWindowEvent(click);
}

void CButton4Status::OnEnter(wxMouseEvent&) {
  mouse_inside_ = true;
  Refresh();
}

void CButton4Status::OnLeave(wxMouseEvent&) {
  mouse_inside_ = false;
  Refresh();
}

void CButton4Status::OnCaptureLost(wxMouseCaptureLostEvent&) {
  pressed_ = false;
  Refresh();
}

// --- CHMXStatic -------------------------------------------------------------

CHMXStatic::CHMXStatic(wxWindow* parent, int id, const wxPoint& pos, const wxString& text, int width,
                       int align)
    : wxControl(parent, id, pos, wxSize(width > 0 ? width : 1, 1), wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE),
      text_(text),
      text_colour_(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT)),
      background_(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)),
      fixed_width_(width),
      align_(align) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  wxControl::SetFont(DefaultSkinFont());
  Bind(wxEVT_PAINT, &CHMXStatic::OnPaint, this);
  Relayout();
}

CHMXStatic* CHMXStatic::Wrap(int width) {
  wrap_width_ = width;
  Relayout();
  return this;
}

wxString CHMXStatic::DisplayText() const {
  const int wrap = wrap_width_;
  if (wrap <= 0) return text_;
  wxClientDC dc(const_cast<CHMXStatic*>(this));
  dc.SetFont(GetFont());
  wxString out;
  for (const wxString& paragraph : wxSplit(text_, '\n', '\0')) {
    wxString line;
    for (const wxString& word : wxSplit(paragraph, ' ', '\0')) {
      const wxString candidate = line.empty() ? word : line + " " + word;
      if (!line.empty() && dc.GetTextExtent(candidate).x > wrap) {
        out += line + "\n";
        line = word;
      } else {
        line = candidate;
      }
    }
    out += line + "\n";
  }
  out.RemoveLast();
  return out;
}

wxSize CHMXStatic::DoGetBestSize() const {
  wxClientDC dc(const_cast<CHMXStatic*>(this));
  dc.SetFont(GetFont());
  wxCoord w = 0, h = 0;
  const wxString shown = DisplayText();
  dc.GetMultiLineTextExtent(shown.empty() ? wxString(" ") : shown, &w, &h);
  return wxSize(fixed_width_ > 0 ? fixed_width_ : std::min(w + 2, wrap_width_ > 0 ? wrap_width_ + 2 : w + 2),
                h);
}

void CHMXStatic::Relayout() {
  const wxRect old_rect = GetRect();
  const wxSize best = DoGetBestSize();
  if (best != GetSize()) SetSize(best);
  // The parent repaints what the old text covered, so nothing of it stays.
  if (GetParent() != nullptr) {
    GetParent()->RefreshRect(old_rect);
    GetParent()->RefreshRect(GetRect());
  }
  Refresh();
  if (IsShownOnScreen()) Update();
}

void CHMXStatic::SetText(const wxString& text) {
  wxString normal = text;
  normal.Replace("\r\n", "\n");
  if (normal == text_) return;
  text_ = normal;
  SetLabel(text_);
  Relayout();
}

void CHMXStatic::SetTextColour(std::uint32_t colour) {
  text_colour_ = FromColorRef(colour);
  Refresh();
}

void CHMXStatic::SetBackgroundColourRef(std::uint32_t colour) {
  background_ = FromColorRef(colour);
  Refresh();
}

void CHMXStatic::SetTransparent(bool transparent) {
  transparent_ = transparent;
  Refresh();
}

void CHMXStatic::SetLogFont(const wxFont& font) {
  wxControl::SetFont(font);
  Relayout();
}

void CHMXStatic::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  if (transparent_) {
    PaintParentBackground(this, dc);
  } else {
    dc.SetBackground(wxBrush(background_));
    dc.Clear();
  }
  // A label of fixed width takes a smaller font for a text longer than it
  // (a long translation) rather than being cut off.
  const wxString shown = DisplayText();
  wxFont font = GetFont();
  dc.SetFont(font);
  while (fixed_width_ > 0 && font.GetPointSize() > 6 &&
         dc.GetMultiLineTextExtent(shown).x > fixed_width_ - 2) {
    font.SetPointSize(font.GetPointSize() - 1);
    dc.SetFont(font);
  }
  dc.SetTextForeground(text_colour_);
  dc.DrawLabel(shown, wxRect(GetClientSize()), align_ | wxALIGN_TOP);
}

// --- CHMXCheckBox --------------------------------------------------------------

namespace {
constexpr int kBoxSize = 14;
constexpr int kBoxGap = 7;
const wxColour kAccent(0x2B, 0x7A, 0x4B);
const wxColour kFrame(0x8A, 0x94, 0x8E);
}  // namespace

CHMXCheckBox::CHMXCheckBox(wxWindow* parent, int id, const wxPoint& pos, const wxString& text,
                           std::uint32_t background)
    : wxControl(parent, id, pos, wxSize(20, 20), wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS),
      text_(text),
      background_(FromColorRef(background)) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  wxControl::SetFont(DefaultSkinFont());
  SetLabel(text);
  SetSize(DoGetBestSize());
  Bind(wxEVT_PAINT, &CHMXCheckBox::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &CHMXCheckBox::OnClick, this);
  Bind(wxEVT_LEFT_DCLICK, &CHMXCheckBox::OnClick, this);
  Bind(wxEVT_KEY_DOWN, &CHMXCheckBox::OnKey, this);
  Bind(wxEVT_ENTER_WINDOW, [this](wxMouseEvent&) {
    hot_ = true;
    Refresh();
  });
  Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent&) {
    hot_ = false;
    Refresh();
  });
  Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent&) { Refresh(); });
  Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent&) { Refresh(); });
}

wxSize CHMXCheckBox::DoGetBestSize() const {
  wxClientDC dc(const_cast<CHMXCheckBox*>(this));
  dc.SetFont(GetFont());
  const wxSize text = dc.GetTextExtent(text_);
  return wxSize(kBoxSize + kBoxGap + text.x + 2, std::max(kBoxSize + 4, text.y + 4));
}

void CHMXCheckBox::SetLogFont(const wxFont& font) {
  wxControl::SetFont(font);
  SetSize(DoGetBestSize());
  Refresh();
}

void CHMXCheckBox::SetValue(bool checked) {
  checked_ = checked;
  Refresh();
}

void CHMXCheckBox::Toggle() {
  SetValue(!checked_);
  wxCommandEvent event(wxEVT_CHECKBOX, GetId());
  event.SetEventObject(this);
  event.SetInt(checked_ ? 1 : 0);
  ProcessWindowEvent(event);
}

void CHMXCheckBox::OnClick(wxMouseEvent&) {
  SetFocus();
  Toggle();
}

void CHMXCheckBox::OnKey(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_SPACE) {
    Toggle();
  } else {
    event.Skip();
  }
}

void CHMXCheckBox::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(wxBrush(background_));
  dc.Clear();
  const wxSize size = GetClientSize();
  const wxRect box(1, (size.y - kBoxSize) / 2, kBoxSize, kBoxSize);
  dc.SetPen(wxPen(checked_ || hot_ ? kAccent : kFrame, 1));
  dc.SetBrush(checked_ ? wxBrush(kAccent) : *wxWHITE_BRUSH);
  dc.DrawRoundedRectangle(box, 2);
  if (checked_) {
    dc.SetPen(wxPen(*wxWHITE, 2));
    const wxPoint tick[] = {wxPoint(box.x + 3, box.y + 7), wxPoint(box.x + 6, box.y + 10),
                            wxPoint(box.x + 11, box.y + 4)};
    dc.DrawLines(3, tick);
  }
  dc.SetFont(GetFont());
  dc.SetTextForeground(IsEnabled() ? wxColour(0x1E, 0x1E, 0x1E) : wxColour(0x80, 0x80, 0x80));
  const wxRect text_rect(kBoxSize + kBoxGap, 0, size.x - kBoxSize - kBoxGap, size.y);
  dc.DrawLabel(text_, text_rect, wxALIGN_LEFT | wxALIGN_CENTRE_VERTICAL);
  if (HasFocus()) {
    dc.SetPen(wxPen(kFrame, 1, wxPENSTYLE_DOT));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(text_rect.x - 2, 0, text_rect.width + 1, size.y);
  }
}

// --- CHMXComboBox -----------------------------------------------------------------

CHMXComboBox::CHMXComboBox(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, wxSize(size.x, size.y > 0 ? size.y : 24),
                wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  wxControl::SetFont(DefaultSkinFont());
  Bind(wxEVT_PAINT, &CHMXComboBox::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent&) { OpenList(); });
  Bind(wxEVT_ENTER_WINDOW, [this](wxMouseEvent&) {
    hot_ = true;
    Refresh();
  });
  Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent&) {
    hot_ = false;
    Refresh();
  });
  Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_SPACE || event.GetKeyCode() == WXK_DOWN) {
      OpenList();
    } else {
      event.Skip();
    }
  });
}

void CHMXComboBox::Append(const wxString& item) {
  items_.push_back(item);
  Refresh();
}

void CHMXComboBox::Clear() {
  items_.clear();
  selection_ = -1;
  Refresh();
}

void CHMXComboBox::SetSelection(int index) {
  selection_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
  Refresh();
}

void CHMXComboBox::OpenList() {
  wxMenu menu;
  for (size_t i = 0; i < items_.size(); ++i) {
    menu.AppendRadioItem(static_cast<int>(wxID_HIGHEST + 1 + i), items_[i]);
    if (static_cast<int>(i) == selection_) menu.Check(static_cast<int>(wxID_HIGHEST + 1 + i), true);
  }
  int chosen = -1;
  menu.Bind(wxEVT_MENU, [&chosen](wxCommandEvent& event) { chosen = event.GetId() - wxID_HIGHEST - 1; });
  PopupMenu(&menu, 0, GetClientSize().y);
  if (chosen < 0 || chosen == selection_) return;
  SetSelection(chosen);
  wxCommandEvent event(wxEVT_CHOICE, GetId());
  event.SetEventObject(this);
  event.SetInt(chosen);
  ProcessWindowEvent(event);
}

void CHMXComboBox::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  PaintParentBackground(this, dc);
  const wxSize size = GetClientSize();
  dc.SetPen(wxPen(hot_ ? kAccent : kFrame, 1));
  dc.SetBrush(*wxWHITE_BRUSH);
  dc.DrawRoundedRectangle(0, 0, size.x, size.y, 3);
  dc.SetFont(GetFont());
  dc.SetTextForeground(wxColour(0x1E, 0x1E, 0x1E));
  if (selection_ >= 0) {
    dc.DrawLabel(items_[selection_], wxRect(8, 0, size.x - 32, size.y),
                 wxALIGN_LEFT | wxALIGN_CENTRE_VERTICAL);
  }
  // The arrow of the list.
  const int cx = size.x - 14;
  const int cy = size.y / 2;
  const wxPoint arrow[] = {wxPoint(cx - 4, cy - 2), wxPoint(cx + 4, cy - 2), wxPoint(cx, cy + 3)};
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(wxColour(0x50, 0x50, 0x50)));
  dc.DrawPolygon(3, arrow);
}

}  // namespace clarivo::ui
