#include "host/speedup_list_backup.h"

#include <wx/dcclient.h>
#include <wx/log.h>

#include "host/main_control.h"

namespace tweaks {

wxIMPLEMENT_DYNAMIC_CLASS(SpeedupListBackup, wxDialog);

SpeedupListBackup::SpeedupListBackup() = default;

SpeedupListBackup::SpeedupListBackup(wxWindow* parent, MainControl* control)
    : xrc_(std::make_unique<wxXmlResource>(wxXRC_USE_LOCALE)), control_(control) {
  xrc_->InitAllHandlers();
  xrc_->Load(control_->GetSkinFilePath("xrc\\MainFrame\\speeduplistbackup.xrc"));
  if (!xrc_->LoadDialog(this, parent, "ID_SPEEDUPLISTBACKUP")) {
    wxLogError("Missing wxXmlResource::Get()->Load() in OnInit()?");
    Create(parent, wxID_ANY, _("Backups"));
  }
  grid_ = FindWindow(XRCID("ID_PANEL2_PLGRID"));
  deleteButton_ = FindWindow(XRCID("ID_BITMAPBUTTON_DELETE"));
  restoreButton_ = FindWindow(XRCID("ID_BITMAPBUTTON_RESTORE"));

  skinView_.reset(control_->CreateSkinView("xml\\MainFrame\\speeduplistbackup.xml"));
  skinView_->Apply(this, background_, wxSize(0, 0), "ID_DEFAULT");
  if (background_.IsOk()) Refresh();

  Bind(wxEVT_PAINT, &SpeedupListBackup::OnPaint, this);
  Bind(wxEVT_SIZE, [](wxSizeEvent&) {});
  Bind(
      wxEVT_BUTTON, [](wxCommandEvent&) {}, XRCID("ID_BITMAPBUTTON_DELETE"));
  Bind(
      wxEVT_BUTTON, [](wxCommandEvent&) {}, XRCID("ID_BITMAPBUTTON_RESTORE"));
  Centre(wxBOTH);
}

SpeedupListBackup::~SpeedupListBackup() = default;

bool SpeedupListBackup::Show(bool show) {
  bool changed = wxDialog::Show(show);
  if (show && skinView_) skinView_->Reapply();
  return changed;
}

void SpeedupListBackup::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (background_.IsOk()) dc.DrawBitmap(background_, 0, 0, true);
}

}  // namespace tweaks
