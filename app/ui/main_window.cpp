#include "app/ui/main_window.h"

#include <wx/app.h>
#include <wx/dcbuffer.h>
#include <wx/iconbndl.h>
#include <wx/utils.h>

#include "app/core/ini.h"
#include "app/core/profile.h"
#include "app/core/program_paths.h"
#include "app/core/reg_scan.h"
#include "app/ui/html_dialog.h"
#include "app/ui/launcher.h"
#include "app/ui/page_overview.h"
#include "app/ui/page_restore.h"
#include "app/ui/page_scan.h"
#include "app/ui/page_setting.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {
namespace {

CMfcDlg* g_main_window = nullptr;
bool g_assume_tray = false;
std::function<void(const wxMenu&)> g_menu_observer;

struct ButtonSpec {
  int id;
  const char* image;
  int x, y;
  int width, height;  // kept when the image is missing
};

constexpr ButtonSpec kTitleButtons[] = {
    {kIdMenuButton, "Menu.png", 690, 1, 28, 22},
    {kIdMinimize, "Minimize.png", 720, 1, 28, 22},
    {kIdMaximize, "Maximize.png", 720, 1, 28, 22},
    {kIdClose, "Close.png", 748, 1, 28, 22},
    {kIdHelp, "Button_Help.png", 653, 2, 36, 20},
    {kIdOnlineSupport, "Button_OnlineSupport.png", 601, 2, 50, 20},
};

struct TabSpec {
  int id;
  const char* image;
  int x;
  const char* text;
};

constexpr TabSpec kTabs[CMfcDlg::kPageCount] = {
    {kIdTabOverview, "btn_overview.png", 299, N_("Overview")},
    {kIdTabScan, "btn_Registry_Scan.png", 421, N_("Registry scan")},
    {kIdTabRestore, "btn_Restore.png", 543, N_("Restore")},
    {kIdTabSetting, "btn_Setting.png", 665, N_("Settings")},
};

}  // namespace

CMfcDlg* MainWindow() { return g_main_window; }

wxIconBundle ApplicationIcons() {
  wxIconBundle icons;
  for (const char* size : {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
    const std::string path = ExecutableDir() + "/Icons/hicolor/" + size + "/apps/clarivo.png";
    wxBitmap bitmap = LoadImageFile(path);
    if (!bitmap.IsOk()) continue;
    wxIcon icon;
    icon.CopyFromBitmap(bitmap);
    icons.AddIcon(icon);
  }
  return icons;
}

wxIcon ApplicationIcon() {
  const wxIconBundle icons = ApplicationIcons();
  if (icons.IsEmpty()) return {};
  return icons.GetIcon(wxSize(48, 48), wxIconBundle::FALLBACK_NEAREST_LARGER);
}

// The update check of the menu and of the pages' "Check for updates" buttons.
void CheckForUpdates() {
  {
    wxBusyCursor busy;
    wxMilliSleep(2500);
  }
  CHtmlDialog dialog(MainWindow() && MainWindow()->IsShown() ? MainWindow() : nullptr,
                     "Update_already_new.html", HtmlDialogSize::kSmall);
  // The page says which version is installed (its "Version" element, which
  // the dialog fills) and that updates come with the system's packages.
  dialog.RunModal();
}

// --- tray ----------------------------------------------------------------------

CTrayIcon::CTrayIcon(CMfcDlg* owner) : owner_(owner) {
  Bind(wxEVT_TASKBAR_LEFT_DCLICK, [this](wxTaskBarIconEvent&) { owner_->ShowFromTray(); });
  Bind(wxEVT_TASKBAR_RIGHT_UP, [this](wxTaskBarIconEvent&) { owner_->OnTrayRightUp(); });
  Bind(wxEVT_MENU, [this](wxCommandEvent& event) { owner_->RunCommand(event.GetId()); });
}

// --- CMfcDlg ---------------------------------------------------------------------

CMfcDlg::CMfcDlg() : CDialogBase(nullptr, Tr("Clarivo"), kMainWindowSize) {
  g_main_window = this;
  background_ = &GetImage("MainFrame.png");
  corner_width_ = 8;
  corner_height_ = 10;
  Bind(wxEVT_BUTTON, &CMfcDlg::OnButton, this);
  Bind(wxEVT_MENU, &CMfcDlg::OnMenu, this);
  // Enter and Escape never close the window.
  Bind(wxEVT_CHAR_HOOK, [](wxKeyEvent& event) {
    if (event.GetKeyCode() != WXK_RETURN && event.GetKeyCode() != WXK_ESCAPE &&
        event.GetKeyCode() != WXK_NUMPAD_ENTER) {
      event.Skip();
    }
  });
  // The window manager's close (Alt+F4) is the close button.
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    if (ending_ || !event.CanVeto()) {
      event.Skip();
      return;
    }
    event.Veto();
    OnCloseButton();
  });
  SetEndMainWindowHook([](int result) {
    if (CMfcDlg* window = MainWindow()) window->CallAfter([window, result] { window->EndDialog(result); });
  });
}

CMfcDlg::~CMfcDlg() {
  SetEndMainWindowHook(nullptr);
  if (tray_ != nullptr) {
    tray_->RemoveIcon();
    delete tray_;
    tray_ = nullptr;
  }
  if (g_main_window == this) g_main_window = nullptr;
}

void CMfcDlg::Initialise() {
  InitSkin();
  icon_ = ApplicationIcon();
  const wxIconBundle icons = ApplicationIcons();
  if (!icons.IsEmpty()) SetIcons(icons);
  SetTitle(Tr("Clarivo"));
  tray_ = new CTrayIcon(this);
  // The tooltip holds at most 127 characters.
  if (icon_.IsOk()) tray_->SetIcon(icon_, Tr("Clarivo").Left(127));
  CreateButtons();
  overview_ = new CPageOverview(this);
  scan_page_ = new CPageScan(this);
  restore_page_ = new CPageRestore(this);
  setting_page_ = new CPageSetting(this);
  pages_ = {overview_, scan_page_, restore_page_, setting_page_};
  for (wxWindow* page : pages_) page->Hide();
  current_page_ = 0;
  ChooseStartPage();
}

void CMfcDlg::CreateButtons() {
  for (const ButtonSpec& spec : kTitleButtons) {
    auto* button =
        new CButton4Status(this, spec.id, wxPoint(spec.x, spec.y), wxSize(spec.width, spec.height));
    button->SetImage(spec.image);
  }
  auto* help = static_cast<CButton4Status*>(FindWindow(kIdHelp));
  help->SetText(Tr("Help"));
  auto* support = static_cast<CButton4Status*>(FindWindow(kIdOnlineSupport));
  support->SetText(Tr("Online support"));
  support->Hide();
  FindWindow(kIdMaximize)->Hide();
  for (int i = 0; i < kPageCount; ++i) {
    auto* tab =
        new CButton4Status(this, kTabs[i].id, wxPoint(kTabs[i].x, 25), wxSize(118, 35), Tr(kTabs[i].text));
    tab->SetImage(kTabs[i].image);
    tab->SetBold();
    tabs_[i] = tab;
  }
  // Button 1027 takes the focus at start, then is hidden, so that no visible
  // control starts out focused.
  auto* focus = new CButton4Status(this, kIdFocus, wxPoint(0, 0), wxSize(1, 1));
  focus->SetFocus();
  focus->Hide();
  help->SetTextColour(0xFFFFFF);
  support->SetTextColour(0xFFFFFF);
}

void CMfcDlg::ChooseStartPage() {
  const bool has_result = CRegScan::GetInstance().LoadLastResult();
  if (has_result && GetSettingInt(kScanWhenStart) != 1) {
    ShowPage(0);
    return;
  }
  ShowPage(1);
  scan_page_->StartScanNow();
}

void CMfcDlg::ShowPage(int index) {
  if (index < 0 || index >= kPageCount) return;
  if (pages_[current_page_] != nullptr) pages_[current_page_]->Hide();
  tabs_[current_page_]->SetForcedState(CButton4Status::kAutomatic);
  pages_[index]->Show();
  tabs_[index]->SetForcedState(2);
  current_page_ = index;
  Refresh();
  tabs_[index]->Refresh();
}

void CMfcDlg::OnButton(wxCommandEvent& event) {
  auto* source = dynamic_cast<wxWindow*>(event.GetEventObject());
  if (source == nullptr || source->GetParent() != this) {
    event.Skip();
    return;
  }
  CRegScan& controller = CRegScan::GetInstance();
  switch (event.GetId()) {
    case kIdTabOverview:
      if (controller.IsBusy()) return;
      overview_->RefreshFigures();
      ShowPage(0);
      break;
    case kIdTabScan:
      if (controller.IsBusy()) return;
      ShowPage(1);
      break;
    case kIdTabRestore:
      if (controller.IsBusy()) return;
      ShowPage(2);
      restore_page_->ReloadList();
      break;
    case kIdTabSetting:
      if (controller.IsBusy()) return;
      ShowPage(3);
      break;
    case kIdMenuButton:
      OpenMainMenu();
      break;
    case kIdMinimize:
      OnMinimizeButton();
      break;
    case kIdClose:
      OnCloseButton();
      break;
    case kIdHelp:
      RunCommand(kCmdHelp);
      break;
    case kIdOnlineSupport:
      RunCommand(kCmdOnlineSupport);
      break;
    default:
      event.Skip();
  }
}

void CMfcDlg::OnMenu(wxCommandEvent& event) { RunCommand(event.GetId()); }

wxMenu* CMfcDlg::BuildMainMenu() {
  auto* menu = new wxMenu;
  menu->Append(kCmdHelp, Tr("Help"));
  menu->Append(kCmdOnlineSupport, Tr("Online support"));
  menu->AppendSeparator();
  menu->Append(kCmdCheckUpdates, Tr("Check For updates"));
  menu->AppendSeparator();
  menu->Append(kCmdFeedback, Tr("Feedback"));
  menu->Append(kCmdAbout, Tr("About"));
  return menu;
}

wxMenu* CMfcDlg::BuildTrayMenu(bool busy) {
  auto* menu = new wxMenu;
  menu->Append(kCmdTrayShow, Tr("Show"));
  if (busy) {
    menu->Append(kCmdTrayExit, Tr("Exit(busy)"));
    menu->Enable(kCmdTrayExit, false);
  } else {
    menu->Append(kCmdTrayExit, Tr("Exit"));
  }
  return menu;
}

void CMfcDlg::SetMenuObserver(std::function<void(const wxMenu&)> observer) {
  g_menu_observer = std::move(observer);
}

void CMfcDlg::OpenMainMenu() {
  if (CRegScan::GetInstance().IsBusy()) return;
  std::unique_ptr<wxMenu> menu(BuildMainMenu());
  if (g_menu_observer) g_menu_observer(*menu);
  const wxRect button = FindWindow(kIdMenuButton)->GetRect();
  PopupMenu(menu.get(), button.GetLeft(), button.GetBottom() + 1);
}

void CMfcDlg::OnTrayRightUp() {
  const bool busy = CRegScan::GetInstance().IsBusy();
  std::unique_ptr<wxMenu> menu(BuildTrayMenu(busy));
  if (g_menu_observer) g_menu_observer(*menu);
  Raise();
  if (TrayUsable() && tray_ != nullptr && wxTaskBarIcon::IsAvailable()) {
    tray_->PopupMenu(menu.get());
  } else {
    // Without a tray to anchor it (and for the test switch) the same menu
    // pops up over the window at the cursor.
    if (!IsShown()) Show();
    PopupMenu(menu.get(), ScreenToClient(wxGetMousePosition()));
  }
}

void CMfcDlg::ShowFromTray() {
  Show();
  if (IsIconized()) Iconize(false);
  Raise();
}

bool CMfcDlg::TrayUsable() { return g_assume_tray || wxTaskBarIcon::IsAvailable(); }

void CMfcDlg::AssumeTray(bool assume) { g_assume_tray = assume; }

void CMfcDlg::HideOrMinimise(bool to_tray) {
  // With no tray on the desktop a hidden window could never be reached
  // again: it is minimised instead.
  if (to_tray && TrayUsable()) {
    Hide();
  } else {
    Iconize(true);
  }
}

void CMfcDlg::OnCloseButton() {
  if (GetSettingInt(kCloseToTray) == 1) {
    HideOrMinimise(true);
    return;
  }
  if (CRegScan::GetInstance().IsBusy()) return;
  EndDialog(1);
}

void CMfcDlg::OnMinimizeButton() { HideOrMinimise(GetSettingInt(kMinimizeToTray) == 1); }

void CMfcDlg::RunCommand(int id) {
  switch (id) {
    case kCmdHelp:
      LaunchProgram("ShowHelp", {"default"});
      break;
    case kCmdOnlineSupport:
      OpenAddress(CIni::GetInstance().GetMenuAddress("OnlineSupport"));
      break;
    case kCmdCheckUpdates:
      CheckForUpdates();
      break;
    case kCmdFeedback:
      OpenAddress(CIni::GetInstance().GetMenuAddress("Feedback"));
      break;
    case kCmdAbout: {
      CHtmlDialog dialog(IsShown() ? this : nullptr, "About.html", HtmlDialogSize::kMedium);
      dialog.RunModal();
      break;
    }
    case kCmdTrayShow:
      ShowFromTray();
      break;
    case kCmdTrayExit:
      EndDialog(1);
      break;
    default:
      break;
  }
}

void CMfcDlg::EndDialog(int result) {
  if (ending_) return;
  ending_ = true;
  result_ = result;
  if (tray_ != nullptr) {
    tray_->RemoveIcon();
    tray_->Destroy();
    tray_ = nullptr;
  }
  Destroy();
  if (wxTheApp != nullptr) wxTheApp->ExitMainLoop();
}

// --- CSplashDlg ----------------------------------------------------------------

CSplashDlg::CSplashDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, Tr("Clarivo"), wxPoint(0, 0), wxSize(420, 260),
               wxBORDER_NONE | wxSTAY_ON_TOP),
      image_(GetImage("Splash.png")),
      timer_(this, 1) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  const wxIconBundle icons = ApplicationIcons();
  if (!icons.IsEmpty()) SetIcons(icons);
  if (image_.IsOk()) {
    Move(0, 0);
    SetClientSize(image_.GetSize());
  }
  Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    if (image_.IsOk()) dc.DrawBitmap(image_, 0, 0, true);
  });
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { EndModal(1); });
  timer_.StartOnce(1500);
}

}  // namespace clarivo::ui
