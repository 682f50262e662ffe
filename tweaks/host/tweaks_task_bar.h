// The notification-area icon and its menu.
#pragma once

#include <wx/menu.h>
#include <wx/taskbar.h>

namespace tweaks {

class MainControl;

class TweaksTaskBar : public wxTaskBarIcon {
 public:
  // Installs "tweaks.ico" of the skin folder with the tooltip "Tweaks".
  explicit TweaksTaskBar(MainControl* control);

  // The tray menu, labels translated; the caller owns it.
  static wxMenu* BuildMenu();
  // Pops the menu up as a click on the icon would.
  void ShowMenu();

 protected:
  wxMenu* CreatePopupMenu() override;

 private:
  void OnMenu(wxCommandEvent& event);

  MainControl* control_;
};

}  // namespace tweaks
