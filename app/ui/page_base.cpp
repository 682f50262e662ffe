#include "app/ui/page_base.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/msgdlg.h>
#include <wx/region.h>

#include "app/core/reg_scan.h"
#include "app/core/translation.h"
#include "app/core/user_interface.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {

// --- CDialogBase --------------------------------------------------------------

CDialogBase::CDialogBase(wxWindow* parent, const wxString& title, const wxSize& default_size)
    : wxFrame(parent, wxID_ANY, title, wxPoint(0, 0), default_size,
              wxBORDER_NONE | wxFRAME_SHAPED | wxMINIMIZE_BOX | wxSYSTEM_MENU | wxCLIP_CHILDREN) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetFont(DefaultSkinFont());
  Bind(wxEVT_PAINT, &CDialogBase::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &CDialogBase::OnMouseDown, this);
  Bind(wxEVT_MOTION, &CDialogBase::OnMouseMove, this);
  Bind(wxEVT_LEFT_UP, &CDialogBase::OnMouseUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { dragging_ = false; });
}

void ApplyRoundedShape(wxNonOwnedWindow* window, const wxSize& size, int corner_width, int corner_height) {
  wxBitmap mask_bitmap(size.x, size.y, 24);
  {
    wxMemoryDC dc(mask_bitmap);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.SetPen(*wxWHITE_PEN);
    // Corner ellipses of corner_width x corner_height: a rounded rectangle
    // whose radius is the mean of the two half-axes.
    const double radius = (corner_width + corner_height) / 4.0;
    dc.DrawRoundedRectangle(0, 0, size.x, size.y, radius);
  }
  window->SetShape(wxRegion(mask_bitmap, *wxBLACK));
}

void CDialogBase::InitSkin() {
  if (background_ == nullptr || !background_->IsOk()) return;
  // SetSize, not SetClientSize: a borderless window has no decorations, and
  // GTK shrinks a hidden one whose client size was set to 1 x 1 when shown.
  SetSize(0, 0, background_->GetWidth(), background_->GetHeight());
  if (corner_width_ >= 0 && corner_height_ >= 0) {
    ApplyRoundedShape(this, background_->GetSize(), corner_width_, corner_height_);
  }
}

void CDialogBase::PaintBackground(wxDC& dc) {
  dc.SetBackground(wxBrush(wxColour(0xF0, 0xF0, 0xF0)));
  dc.Clear();
  if (background_ != nullptr && background_->IsOk()) dc.DrawBitmap(*background_, 0, 0, true);
}

void CDialogBase::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  PaintBackground(dc);
}

void CDialogBase::OnMouseDown(wxMouseEvent& event) {
  // Any point of the background drags the window, as a title bar would.
  dragging_ = true;
  drag_offset_ = ClientToScreen(event.GetPosition()) - GetPosition();
  CaptureMouse();
}

void CDialogBase::OnMouseMove(wxMouseEvent& event) {
  if (!dragging_ || !event.Dragging() || !event.LeftIsDown()) return;
  Move(ClientToScreen(event.GetPosition()) - drag_offset_);
}

void CDialogBase::OnMouseUp(wxMouseEvent&) {
  if (!dragging_) return;
  dragging_ = false;
  if (HasCapture()) ReleaseMouse();
}

// --- CFormViewBase ------------------------------------------------------------

CFormViewBase::CFormViewBase(wxWindow* parent, const wxSize& default_size)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, default_size, wxBORDER_NONE | wxCLIP_CHILDREN) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetBackgroundColour(*wxWHITE);
  SetFont(DefaultSkinFont());
  Bind(wxEVT_PAINT, &CFormViewBase::OnPaint, this);
}

void CFormViewBase::SetBackground(const std::string& image_name) {
  background_ = &GetImage(image_name);
  if (background_->IsOk()) SetSize(background_->GetSize());
  Refresh();
}

void CFormViewBase::PaintBackground(wxDC& dc) {
  dc.SetBrush(*wxWHITE_BRUSH);
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.DrawRectangle(wxPoint(0, 0), GetClientSize());
  if (background_ != nullptr && background_->IsOk()) dc.DrawBitmap(*background_, 0, 0, true);
  PaintExtras(dc);
}

void CFormViewBase::PaintExtras(wxDC&) {}

void CFormViewBase::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  PaintBackground(dc);
}

// --- CPageBase ------------------------------------------------------------------

CPageBase::CPageBase(wxWindow* parent)
    : CFormViewBase(parent, kPageSize), attention_(GetImage("attention.png")) {
  SetBackground("PageBk.png");
  MoveTo(9, 60);
  for (int slot = 0; slot < kLeftButtons; ++slot) {
    auto* button = new CButton4Status(this, kLeftButtonIds[slot], wxPoint(9, 9 + 50 * slot), wxSize(176, 44));
    button->SetImage(slot == 0 ? "Button_LeftRoundRect.png" : "Button_Left.png");
    const wxSize size = button->GetSize();
    button->SetTextRect(wxRect(10, 0, size.x - 20, size.y));
    button->SetFormat(kFormatCentred);
    button->SetTextColour(0x000000);
    button->SetBold();
    button->Hide();
    left_buttons_[slot] = button;
    Bind(wxEVT_BUTTON, &CPageBase::OnLeftButton, this, kLeftButtonIds[slot]);
  }
  auto* update = new CButton4Status(this, 1001, wxPoint(29, 476), wxSize(150, 32), Tr("Check for updates"));
  update->SetImage("Button_update.png");
  update->SetTextRect(wxRect(25, 0, update->GetSize().x - 25, update->GetSize().y));
  update->SetBold();
  Bind(wxEVT_BUTTON, &CPageBase::OnUpdateButton, this, 1001);

  auto* live = new CHMXStatic(this, 1051, wxPoint(1, 411), Tr("LIVEUPDATE"), kAttentionTextWidth,
                              wxALIGN_CENTRE_HORIZONTAL);
  live->SetFontSize(10);
  live->SetBold();
  live->SetTextColour(0x008000);
  auto* improve =
      new CHMXStatic(this, 1092, wxPoint(1, 440), Tr("Improve PC security,\r\nperformance and stability"),
                     188, wxALIGN_CENTRE_HORIZONTAL);
  improve->SetFontSize(9);
  improve->SetTextColour(0x286C28);
  auto* problems = new CHMXStatic(this, 1094, wxPoint(1, 338),
                                  Tr("80% PC problems are \r\ncaused by the registry errors!"), 188,
                                  wxALIGN_CENTRE_HORIZONTAL);
  problems->SetFontSize(9);
}

void CPageBase::PaintExtras(wxDC& dc) {
  if (attention_.IsOk()) dc.DrawBitmap(attention_, 1, 404, true);
}

void CPageBase::SetSubPage(int index, CSubPageBase* page) {
  sub_pages_[index] = page;
  page->Show(index == current_);
}

void CPageBase::ShowLeftButton(int slot, const wxString& text) {
  left_buttons_[slot]->SetText(text);
  left_buttons_[slot]->Show();
  if (slot == current_) left_buttons_[slot]->SetForcedState(2);
}

CSubPageBase* CPageBase::sub_page(int index) const {
  return index >= 0 && index < kSubPageSlots ? sub_pages_[index] : nullptr;
}

bool CPageBase::CanSwitchTo(int) { return true; }

void CPageBase::SwitchTo(int index) {
  if (index < 0 || index >= kSubPageSlots) {
    UserInterface().MessageBox(u"page not exist");
    return;
  }
  if (!CanSwitchTo(index)) return;
  if (current_ < kLeftButtons) left_buttons_[current_]->SetForcedState(CButton4Status::kAutomatic);
  if (index < kLeftButtons) left_buttons_[index]->SetForcedState(2);
  if (sub_pages_[current_] != nullptr) sub_pages_[current_]->Hide();
  if (sub_pages_[index] != nullptr) sub_pages_[index]->Show();
  current_ = index;
  Refresh();
}

void CPageBase::OnLeftButton(wxCommandEvent& event) {
  for (int slot = 0; slot < kLeftButtons; ++slot) {
    if (event.GetId() != kLeftButtonIds[slot] || event.GetEventObject() != left_buttons_[slot]) continue;
    if (CRegScan::GetInstance().IsBusy()) return;
    SwitchTo(slot);
    return;
  }
  event.Skip();
}

void CPageBase::OnUpdateButton(wxCommandEvent& event) {
  if (event.GetEventObject() != FindWindow(1001)) {
    event.Skip();
    return;
  }
  if (CRegScan::GetInstance().IsBusy()) return;
  CheckForUpdates();
}

// --- CSubPageBase -----------------------------------------------------------------

CSubPageBase::CSubPageBase(wxWindow* parent) : CFormViewBase(parent, kSubPageSize) {
  SetBackground("SubPageBk.png");
  MoveTo(192, 4);
  title_ = new CHMXStatic(this, 1043, wxPoint(20, 20));
  title_->SetFontSize(14);
  title_->SetBold();
  title_->SetTextColour(0x1E1E1E);
  for (int i = 0; i < 4; ++i) {
    auto* button =
        new CButton4Status(this, kFirstActionId + i, wxPoint(20 + 140 * i, 470), wxSize(130, 34), "btn");
    button->SetImage(i < 3 ? "Button_action.png" : "Button_action_emphasize.png");
    button->SetFormat(kFormatCentred);
    button->Hide();
    actions_[i] = button;
    Bind(
        wxEVT_BUTTON,
        [this, i](wxCommandEvent& event) {
          if (event.GetEventObject() != actions_[i]) {
            event.Skip();
            return;
          }
          OnAction(i);
        },
        kFirstActionId + i);
  }
}

void CSubPageBase::SetView(int index, wxWindow* view, const wxString& title) {
  views_[index] = view;
  view_titles_[index] = title;
  view->Show(index == current_view_);
  if (index == current_view_) {
    title_->SetText(title);
    // The view lies over the title area; its own heading is what shows.
    title_->Hide();
  }
}

wxWindow* CSubPageBase::view(int index) const {
  return index >= 0 && index < kMaxViews ? views_[index] : nullptr;
}

void CSubPageBase::ShowView(int index) {
  if (index < 0 || index >= kMaxViews) return;
  if (views_[current_view_] != nullptr) views_[current_view_]->Hide();
  if (views_[index] != nullptr) views_[index]->Show();
  title_->SetText(view_titles_[index]);
  title_->Show(views_[index] == nullptr);
  current_view_ = index;
}

void CSubPageBase::ShowAction(int index, const wxString& text) {
  actions_[index]->SetText(text);
  actions_[index]->Show();
  actions_[index]->Enable();
}

// --- CSubSubPageBase ------------------------------------------------------------

CSubSubPageBase::CSubSubPageBase(wxWindow* parent, const std::string& background)
    : CFormViewBase(parent, kViewSize) {
  SetBackground(background);
  MoveTo(0, 0);
}

}  // namespace clarivo::ui
