#include "app/ui/wnd_helper.h"

#include <wx/settings.h>

namespace clarivo::ui {

void PaintParentBackground(wxWindow* child, wxDC& dc) {
  wxWindow* parent = child->GetParent();
  auto* skin = dynamic_cast<ISkinBackground*>(parent);
  if (skin == nullptr) {
    dc.SetBackground(wxBrush(parent ? parent->GetBackgroundColour() : *wxWHITE));
    dc.Clear();
    return;
  }
  const wxPoint at = child->GetPosition();
  wxPoint origin = dc.GetDeviceOrigin();
  dc.SetDeviceOrigin(origin.x - at.x, origin.y - at.y);
  skin->PaintBackground(dc);
  dc.SetDeviceOrigin(origin.x, origin.y);
}

wxFont DefaultSkinFont() {
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.SetPointSize(9);
  return font;
}

void CWndHelper::SetBold() {
  wxFont font = GetWnd()->GetFont();
  font.SetWeight(wxFONTWEIGHT_BOLD);
  SetLogFont(font);
}

void CWndHelper::SetFontSize(int points) {
  wxFont font = GetWnd()->GetFont();
  font.SetPointSize(points);
  SetLogFont(font);
}

void CWndHelper::SetLogFont(const wxFont& font) {
  GetWnd()->SetFont(font);
  GetWnd()->Refresh();
}

void CWndHelper::MoveTo(int x, int y) { GetWnd()->Move(x, y); }

void CWndHelper::ResizeTo(int width, int height) { GetWnd()->SetSize(width, height); }

}  // namespace clarivo::ui
