// The main window: the borderless skinned frame with its title-bar buttons,
// four tabs and four pages, the main menu, the tray icon and its menu.
#pragma once

#include <wx/dialog.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/taskbar.h>
#include <wx/timer.h>

#include <array>
#include <functional>

#include "app/ui/page_base.h"

namespace clarivo::ui {

class CPageOverview;
class CPageScan;
class CPageRestore;
class CPageSetting;
class CMfcDlg;

// Control and command ids of the main window.
enum MainWindowId {
  kIdTabOverview = 1003,
  kIdTabScan = 1007,
  kIdTabRestore = 1002,
  kIdTabSetting = 1005,
  kIdMenuButton = 1013,
  kIdMinimize = 1008,
  kIdMaximize = 1014,
  kIdClose = 1012,
  kIdHelp = 1089,
  kIdOnlineSupport = 1022,
  kIdFocus = 1027,
  kCmdHelp = 9000,
  kCmdOnlineSupport = 9001,
  kCmdCheckUpdates = 9002,
  kCmdFeedback = 9005,
  kCmdAbout = 9006,
  kCmdTrayShow = 9009,
  kCmdTrayExit = 9010,
};

class CTrayIcon : public wxTaskBarIcon {
 public:
  explicit CTrayIcon(CMfcDlg* owner);

 private:
  CMfcDlg* owner_;
};

class CMfcDlg : public CDialogBase {
 public:
  static constexpr int kPageCount = 4;

  CMfcDlg();
  ~CMfcDlg() override;

  // The init handler: skin, icon, title, tray icon, buttons, tabs, pages,
  // then the choice of the start page (which may start a scan).
  void Initialise();
  // Ends the program's loop with `result`: the tray icon goes, the window is
  // destroyed and the main loop ends.
  void EndDialog(int result);
  int result() const { return result_; }

  void ShowPage(int index);
  int current_page() const { return current_page_; }
  wxWindow* page(int index) const { return pages_[index]; }
  CPageOverview* overview() const { return overview_; }
  CPageScan* scan_page() const { return scan_page_; }
  CPageSetting* setting_page() const { return setting_page_; }
  CButton4Status* tab(int index) const { return tabs_[index]; }

  // The main menu and the tray menu as they are offered now; the caller owns them.
  static wxMenu* BuildMainMenu();
  wxMenu* BuildTrayMenu(bool busy);
  // The tray's right click: busy guard, then the tray menu at the cursor.
  void OnTrayRightUp();
  // Shows the window normally and brings it to the front.
  void ShowFromTray();
  // Runs a command of the menus (9000..9010).
  void RunCommand(int id);
  // Pops the main menu up as the menu button does.
  void OpenMainMenu();
  // The two title-bar buttons.
  void OnCloseButton();
  void OnMinimizeButton();
  // True when the window may hide to the tray: a tray exists (or the test
  // switch says so).
  static bool TrayUsable();
  static void AssumeTray(bool assume);
  // Called with every menu just before it pops up (for the test switch).
  static void SetMenuObserver(std::function<void(const wxMenu&)> observer);
  CTrayIcon* tray() const { return tray_; }

 private:
  void CreateButtons();
  void ChooseStartPage();
  void OnButton(wxCommandEvent& event);
  void OnMenu(wxCommandEvent& event);
  void HideOrMinimise(bool to_tray);

  std::array<wxWindow*, kPageCount> pages_{};
  std::array<CButton4Status*, kPageCount> tabs_{};
  CPageOverview* overview_ = nullptr;
  CPageScan* scan_page_ = nullptr;
  CPageRestore* restore_page_ = nullptr;
  CPageSetting* setting_page_ = nullptr;
  CTrayIcon* tray_ = nullptr;
  wxIcon icon_;
  int current_page_ = 0;
  int result_ = 0;
  bool ending_ = false;
};

// The splash window: "Splash.png" for 1.5 s.
class CSplashDlg : public wxDialog {
 public:
  explicit CSplashDlg(wxWindow* parent);

 private:
  const wxBitmap& image_;
  wxTimer timer_;
};

// The one main window while it exists, else null.
CMfcDlg* MainWindow();
// The window icon ("icon resource 128"): the application icon of the skin.
wxIcon ApplicationIcon();
// The same in every size the skin has.
wxIconBundle ApplicationIcons();

}  // namespace clarivo::ui
