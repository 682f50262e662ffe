#include "app/ui/page_setting.h"

#include <wx/dirdlg.h>
#include <wx/filename.h>

#include <cstdlib>

#include "app/core/autostart.h"
#include "app/core/profile.h"
#include "app/core/reg_scan.h"
#include "app/core/registry_choice.h"
#include "app/core/user_interface.h"
#include "app/ui/html_dialog.h"
#include "app/ui/registry_check.h"
#include "app/ui/registry_label.h"
#include "app/ui/ui_text.h"
#include "platform/prefix_discovery.h"
#include "platform/registry_files.h"

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

  // The registry to clean, in the free space below the other settings.
  auto* registry = new CHMXStatic(this, 1079, wxPoint(50, 290), Tr("Registry to clean"));
  registry->SetFontSize(10);
  registry->SetBold();
  registry->SetTextColour(0x1E1E1E);
  registry_ = new CHMXComboBox(this, 1054, wxPoint(101, 316), wxSize(420, -1));
  registry_note_ = new CHMXStatic(this, 1080, wxPoint(101, 350), EnvironmentRegistryNote());
  registry_note_->SetTextColour(0x505050);
  registry_note_->Wrap(440);
  registry_note_->Show(!registry_note_->text().empty());
  registry_->Bind(wxEVT_CHOICE, &CPageSettingSet_1::OnRegistryChoice, this);

  // Filled once, when the view is built.
  minimize_->SetSelection(GetSettingInt(kMinimizeToTray) == 1 ? 1 : 0);
  close_->SetSelection(GetSettingInt(kCloseToTray) == 1 ? 1 : 0);
  autostart_->SetValue(IsAutoStart());
  scan_->SetValue(GetSettingInt(kScanWhenStart) == 1);
  std::string chosen = ChosenRegistry();
  if (chosen.empty()) {
    // No choice yet: the default prefix is the one cleaned.
    const char* home = std::getenv("HOME");
    if (home != nullptr) chosen = std::string(home) + "/.wine";
  }
  FillRegistries(chosen);
}

void CPageSettingSet_1::FillRegistries(const std::string& chosen) {
  registry_->Clear();
  folders_.clear();
  const std::string chosen_real = platform::CanonicalRegistrySource(chosen);
  int selection = -1;
  for (const platform::WinePrefix& prefix : platform::DiscoverWinePrefixes()) {
    const wxString path = RegistryDisplayName("wine:" + prefix.path);
    const std::string folder_name = prefix.path.substr(prefix.path.rfind('/') + 1);
    wxString item = path;
    if (!prefix.name.empty() && prefix.name != folder_name)
      item = wxString::FromUTF8(prefix.name) + "  (" + path + ")";
    if (prefix.in_use) item += "  " + Tr("[in use]");
    if (!chosen.empty() && platform::CanonicalRegistrySource(prefix.path) == chosen_real) {
      selection = static_cast<int>(folders_.size());
    }
    registry_->Append(item);
    folders_.push_back(prefix.path);
  }
  if (selection < 0 && !chosen.empty() && platform::IsWinePrefix(chosen)) {
    selection = static_cast<int>(folders_.size());
    registry_->Append(RegistryDisplayName("wine:" + chosen));
    folders_.push_back(chosen);
  }
  registry_->Append(Tr("Other folder..."));
  registry_->SetSelection(selection);
  registry_selection_ = selection;
}

void CPageSettingSet_1::OnRegistryChoice(wxCommandEvent& event) {
  const int chosen = event.GetInt();
  if (chosen >= 0 && static_cast<size_t>(chosen) < folders_.size()) {
    registry_selection_ = chosen;
    return;
  }
  // "Other folder...": the list shows the earlier choice until a prefix is taken.
  registry_->SetSelection(registry_selection_);
  if (chosen < 0) return;
  wxDirDialog dialog(wxGetTopLevelParent(this), Tr("Choose the folder of a Wine prefix"), wxGetHomeDir(),
                     wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
  if (dialog.ShowModal() != wxID_OK) return;
  AcceptOtherFolder(std::string(dialog.GetPath().utf8_str()));
}

bool CPageSettingSet_1::AcceptOtherFolder(const std::string& dir) {
  std::string reason;
  if (!platform::IsWinePrefix(dir, &reason)) {
    const wxString body =
        EscapeHtml(wxString::FromUTF8(dir)) + "<br>" + EscapeHtml(wxString::FromUTF8(reason));
    UserInterface().ShowHtmlMessage("Not_a_prefix.html", HtmlDialogSize::kMedium, {}, ToU16(body));
    return false;
  }
  // Kept in the person's own list, so that it is offered again.
  std::string error;
  platform::AddUserPrefix(platform::DiscoveryPlaces::FromEnvironment(), dir, &error);
  FillRegistries(dir);
  return registry_selection_ >= 0;
}

void CPageSettingSet_1::Save() {
  SetSettingOption(kMinimizeToTray, minimize_->GetSelection() == 1);
  SetSettingOption(kCloseToTray, close_->GetSelection() == 1);
  SetAutoStart(autostart_->GetValue());
  SetSettingOption(kScanWhenStart, scan_->GetValue());
  const int registry = registry_->GetSelection();
  if (registry >= 0 && static_cast<size_t>(registry) < folders_.size()) {
    SetChosenRegistry(folders_[static_cast<size_t>(registry)]);
  }
  // From the next scan on; at once when nothing runs.
  SwitchToChosenRegistry();
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
