#include "app/ui/page_setting.h"

#include "app/core/autostart.h"
#include "app/core/profile.h"
#include "app/core/user_interface.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {

CPageSettingSet_1::CPageSettingSet_1(wxWindow* parent) : CSubSubPageBase(parent, "PageSetting.png") {
  auto* heading = new CHMXStatic(this, 1043, wxPoint(20, 15), Tr("System settings"));
  heading->SetFontSize(15);
  heading->SetTextColour(0x1E1E1E);
  auto* navigation = new CHMXStatic(this, 1044, wxPoint(50, 82), Tr("Navigation"));
  navigation->SetFontSize(10);
  navigation->SetBold();
  navigation->SetTextColour(0x1E1E1E);
  auto* other = new CHMXStatic(this, 1078, wxPoint(50, 186), Tr("Other settings"));
  other->SetFontSize(10);
  other->SetBold();
  other->SetTextColour(0x1E1E1E);

  minimize_ = new CHMXComboBox(this, 1052, wxPoint(101, 108), wxSize(300, -1));
  minimize_->Append(Tr("Minimize Clarivo to taskbar"));
  minimize_->Append(Tr("Minimize Clarivo to system tray"));
  close_ = new CHMXComboBox(this, 1053, wxPoint(101, 136), wxSize(300, -1));
  close_->Append(Tr("Close Clarivo immediately"));
  close_->Append(Tr("Minimize Clarivo to system tray"));
  autostart_ = new CHMXCheckBox(this, 1035, wxPoint(56, 218), Tr("Launch Clarivo when Windows starts"));
  scan_ = new CHMXCheckBox(this, 1036, wxPoint(56, 243),
                           Tr("Automatically start a registry scan when Clarivo launches"));

  // Filled once, when the view is built.
  minimize_->SetSelection(GetSettingInt(kMinimizeToTray) == 1 ? 1 : 0);
  close_->SetSelection(GetSettingInt(kCloseToTray) == 1 ? 1 : 0);
  autostart_->SetValue(IsAutoStart());
  scan_->SetValue(GetSettingInt(kScanWhenStart) == 1);
}

void CPageSettingSet_1::Save() {
  SetSettingOption(kMinimizeToTray, minimize_->GetSelection() == 1);
  SetSettingOption(kCloseToTray, close_->GetSelection() == 1);
  SetAutoStart(autostart_->GetValue());
  SetSettingOption(kScanWhenStart, scan_->GetValue());
}

CPageSettingSet::CPageSettingSet(wxWindow* parent) : CSubPageBase(parent) {
  form_ = new CPageSettingSet_1(this);
  SetView(0, form_, Tr("System settings"));
  ShowAction(3, Tr("Save"));
}

void CPageSettingSet::OnAction(int) {
  form_->Save();
  UserInterface().ShowHtmlMessage("Setting_Success.html", HtmlDialogSize::kSmall, {}, {});
}

CPageSetting::CPageSetting(wxWindow* parent) : CPageBase(parent) {
  SetSubPage(0, new CPageSettingSet(this));
  ShowLeftButton(0, Tr("System settings"));
}

}  // namespace clarivo::ui
