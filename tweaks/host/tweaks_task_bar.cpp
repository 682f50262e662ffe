#include "host/tweaks_task_bar.h"

#include <wx/icon.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "host/main_control.h"
#include "host/main_frame.h"

namespace tweaks {

TweaksTaskBar::TweaksTaskBar(MainControl* control) : control_(control) {
  // From the skin, not from whatever folder the program was started in.
  wxIcon icon;
  control_->LoadSkinIcon("tweaks.ico", icon, 16);
  SetIcon(icon.IsOk() ? wxBitmapBundle(icon) : wxBitmapBundle(), _("Tweaks"));
  Bind(wxEVT_MENU, &TweaksTaskBar::OnMenu, this, kMenuHelp, kMenuSetting);
  Bind(wxEVT_TASKBAR_LEFT_DCLICK,
       [this](wxTaskBarIconEvent&) { control_->SendCommand(nullptr, kMessageRestore, 0, 0); });
}

wxMenu* TweaksTaskBar::BuildMenu() {
  auto* menu = new wxMenu;
  menu->Append(kMenuHelp, _("Help"));
  menu->Append(kMenuSetting, _("Setting"));
  menu->Append(kMenuRestore, _("Restore"));
  menu->Append(kMenuUpdate, _("Check for product Updates"));
  menu->Append(kMenuSupportWeb, _("Support web"));
  menu->Append(kMenuAboutUs, _("About us"));
  menu->AppendSeparator();
  menu->Append(kMenuExit, _("Exit"));
  return menu;
}

wxMenu* TweaksTaskBar::CreatePopupMenu() { return BuildMenu(); }

void TweaksTaskBar::ShowMenu() {
  std::unique_ptr<wxMenu> menu(BuildMenu());
  PopupMenu(menu.get());
}

void TweaksTaskBar::OnMenu(wxCommandEvent& event) {
  const wchar_t* command = nullptr;
  switch (event.GetId()) {
    case kMenuHelp:
      command = kMessageHelp;
      break;
    case kMenuSetting:
      command = kMessageSetting;
      break;
    case kMenuRestore:
      command = kMessageRestore;
      break;
    case kMenuUpdate:
      command = kMessageUpdate;
      break;
    case kMenuSupportWeb:
      command = kMessageSupportWeb;
      break;
    // Offered in the menu, so it does what the same entry of the options menu does.
    case kMenuAboutUs:
      command = kMessageAboutUs;
      break;
    case kMenuExit:
      // Ends at once, without asking the active view.
      std::fflush(nullptr);
      std::_Exit(0);
    default:
      return;
  }
  control_->SendCommand(nullptr, command, 0, 0);
}

}  // namespace tweaks
