#include "host/tweaks_setting.h"

#include <wx/log.h>

#include "host/main_control.h"

namespace tweaks {

wxIMPLEMENT_DYNAMIC_CLASS(TweaksSetting, wxDialog);

namespace {

template <typename T>
T* Find(wxWindow* root, const char* id) {
  return wxDynamicCast(root->FindWindow(XRCID(id)), T);
}

void Set(wxRadioButton* button, bool on) {
  if (button) button->SetValue(on);
}
void Set(wxCheckBox* box, bool on) {
  if (box) box->SetValue(on);
}
bool On(const wxRadioButton* button) { return button && button->GetValue(); }
bool On(const wxCheckBox* box) { return box && box->GetValue(); }

}  // namespace

TweaksSetting::TweaksSetting() = default;

TweaksSetting::TweaksSetting(MainControl* control)
    : xrc_(std::make_unique<wxXmlResource>(wxXRC_USE_LOCALE)), control_(control) {
  LoadHostOptionsFile(options_);
  xrc_->InitAllHandlers();
  xrc_->Load(control_->GetSkinFilePath("xrc\\MainFrame\\tweakssetting.xrc"));
  SetExtraStyle(GetExtraStyle() | wxWS_EX_VALIDATE_RECURSIVELY);
  if (!xrc_->LoadDialog(this, nullptr, "ID_TWEAKSSETTING")) {
    wxLogError("Missing wxXmlResource::Get()->Load() in OnInit()?");
    Create(nullptr, wxID_ANY, _("Setting"));
  }
  autoUpdate_ = Find<wxRadioButton>(this, "ID_RADIOBUTTON_AUTOUPDATE");
  notAutoUpdate_ = Find<wxRadioButton>(this, "ID_RADIOBUTTON_NOTAUTOUPDATE");
  autoProtect_ = Find<wxCheckBox>(this, "ID_CHECKBOX_AUTOPROTECT");
  autoSpeedup_ = Find<wxCheckBox>(this, "ID_CHECKBOX_AUTOSPEEDUP");
  everyTimeCheck_ = Find<wxRadioButton>(this, "ID_RADIOBUTTON_EVERYTIMECHECK");
  theFirstCheck_ = Find<wxRadioButton>(this, "ID_RADIOBUTTON_THEFIRSTCHECK");
  manualCheck_ = Find<wxRadioButton>(this, "ID_RADIOBUTTON_MANUALCHECK");
  autoShowMessage_ = Find<wxCheckBox>(this, "ID_CHECKBOX_AUTOSHOWMESSAGE");
  minimise_ = Find<wxRadioButton>(this, "ID_RADIOBUTTON_MIN");
  close_ = Find<wxRadioButton>(this, "ID_RADIOBUTTON_CLOSE");
  yes_ = FindWindow(XRCID("ID_BUTTON_YES"));
  cancel_ = FindWindow(XRCID("ID_BUTTON_CANCEL"));
  ShowOptions();
  Bind(wxEVT_BUTTON, &TweaksSetting::OnYes, this, XRCID("ID_BUTTON_YES"));
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_CANCEL); }, XRCID("ID_BUTTON_CANCEL"));
  Centre(wxBOTH);
}

void TweaksSetting::ShowOptions() {
  Set(autoUpdate_, options_.notAutoUpdate == 0);
  Set(notAutoUpdate_, options_.notAutoUpdate != 0);
  Set(autoProtect_, options_.autoProtect);
  Set(autoSpeedup_, options_.autoSpeedup);
  Set(everyTimeCheck_, options_.checkMode == 0);
  Set(theFirstCheck_, options_.checkMode == 1);
  Set(manualCheck_, options_.checkMode != 0 && options_.checkMode != 1);
  Set(autoShowMessage_, options_.autoShowMessage);
  Set(minimise_, !options_.closeExits);
  Set(close_, options_.closeExits);
}

void TweaksSetting::OnYes(wxCommandEvent&) {
  options_.notAutoUpdate = On(autoUpdate_) ? 0 : 1;
  if (On(everyTimeCheck_)) options_.checkMode = 0;
  if (On(theFirstCheck_)) options_.checkMode = 1;
  if (On(manualCheck_)) options_.checkMode = 2;
  options_.autoProtect = On(autoProtect_);
  options_.autoSpeedup = On(autoSpeedup_);
  options_.autoShowMessage = On(autoShowMessage_);
  options_.closeExits = On(close_);
  EndModal(wxID_OK);
}

}  // namespace tweaks
