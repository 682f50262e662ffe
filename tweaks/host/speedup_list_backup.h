// The backup list dialog, built from "xrc\MainFrame\speeduplistbackup.xrc" and
// skinned by "xml\MainFrame\speeduplistbackup.xml". The host keeps no backups
// yet: the list stays empty and its two buttons do nothing.
#pragma once

#include <wx/bitmap.h>
#include <wx/dialog.h>
#include <wx/xrc/xmlres.h>

#include <memory>

#include "skin/skin_view.h"

namespace tweaks {

class MainControl;

class SpeedupListBackup : public wxDialog {
 public:
  SpeedupListBackup();
  SpeedupListBackup(wxWindow* parent, MainControl* control);
  ~SpeedupListBackup() override;

  // Re-applies the skin once the dialog is on screen.
  bool Show(bool show = true) override;

 private:
  void OnPaint(wxPaintEvent& event);

  std::unique_ptr<wxXmlResource> xrc_;
  MainControl* control_ = nullptr;
  wxWindow* grid_ = nullptr;
  wxWindow* deleteButton_ = nullptr;
  wxWindow* restoreButton_ = nullptr;
  std::unique_ptr<SkinView> skinView_;
  wxBitmap background_;

  wxDECLARE_DYNAMIC_CLASS(SpeedupListBackup);
};

}  // namespace tweaks
