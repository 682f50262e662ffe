// The settings dialog, built from "xrc\MainFrame\tweakssetting.xrc". It shows
// the host options and edits its own copy of them; the copy is discarded with
// the dialog.
#pragma once

#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/xrc/xmlres.h>

#include <memory>

#include "host/host_options.h"

namespace tweaks {

class MainControl;

class TweaksSetting : public wxDialog {
 public:
  TweaksSetting();
  explicit TweaksSetting(MainControl* control);

  const HostOptions& Options() const { return options_; }

 private:
  void ShowOptions();
  void OnYes(wxCommandEvent& event);

  std::unique_ptr<wxXmlResource> xrc_;
  HostOptions options_;
  MainControl* control_ = nullptr;
  wxRadioButton* autoUpdate_ = nullptr;
  wxRadioButton* notAutoUpdate_ = nullptr;
  wxCheckBox* autoProtect_ = nullptr;
  wxCheckBox* autoSpeedup_ = nullptr;
  wxRadioButton* everyTimeCheck_ = nullptr;
  wxRadioButton* theFirstCheck_ = nullptr;
  wxRadioButton* manualCheck_ = nullptr;
  wxCheckBox* autoShowMessage_ = nullptr;
  wxRadioButton* minimise_ = nullptr;
  wxRadioButton* close_ = nullptr;
  wxWindow* yes_ = nullptr;
  wxWindow* cancel_ = nullptr;

  wxDECLARE_DYNAMIC_CLASS(TweaksSetting);
};

}  // namespace tweaks
