// The program Clarivo: its start-up routine. Static set-up, then the single-
// instance guard, the catalogue, the profile and the main window; the program
// ends when the main window's loop ends.
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "app/core/reg_scan.h"
#include "app/core/single_instance.h"
#include "app/core/startup.h"
#include "app/ui/main_window.h"
#include "app/ui/registry_check.h"
#include "app/ui/script_driver.h"
#include "app/ui/wx_user_interface.h"

namespace {

// The toolkit's application object; the start-up routine below does the work.
class ClarivoApp : public wxApp {
 public:
  // The program's own options are read by main(), not by the toolkit.
  bool OnInit() override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
  wxString script;
  bool assume_tray = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--script=", 9) == 0) script = wxString::FromUTF8(argv[i] + 9);
    if (std::strcmp(argv[i], "--assume-tray") == 0) assume_tray = true;
  }
  wxApp::SetInstance(new ClarivoApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "Clarivo: cannot open the display\n");
    return 1;
  }
  wxInitAllImageHandlers();
  if (!script.empty()) {
    // A run driven by a script has nobody to close an assertion dialog.
    wxSetAssertHandler(
        [](const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg) {
          std::fprintf(stderr, "wx assert %s:%d %s: %s %s\n", file.utf8_str().data(), line,
                       func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
        });
  }
  clarivo::ui::CMfcDlg::AssumeTray(assume_tray);

  clarivo::ui::WxUserInterface ui;
  clarivo::SetUserInterface(&ui);
  clarivo::CMySingleInstance guard;
  std::unique_ptr<clarivo::ui::ScriptDriver> driver;
  clarivo::RunProgram(guard, [&] {
    clarivo::ui::PrepareRegistry();
    auto* window = new clarivo::ui::CMfcDlg;
    ui.set_main_window(window);
    ui.set_show_main_window([] {
      if (clarivo::ui::CMfcDlg* main = clarivo::ui::MainWindow()) main->ShowFromTray();
    });
    if (!script.empty()) driver = std::make_unique<clarivo::ui::ScriptDriver>(script);
    window->Initialise();
    if (clarivo::ui::MainWindow() != nullptr) {
      clarivo::ui::CSplashDlg splash(nullptr);
      splash.ShowModal();
    }
    if (clarivo::ui::MainWindow() != nullptr) {
      window->Show();
      wxTheApp->OnRun();
    }
    ui.set_main_window(nullptr);
    ui.set_show_main_window(nullptr);
    driver.reset();
  });
  // A run still going (the window was ended through a page) finishes first:
  // the controller must not be torn down under its worker.
  for (int i = 0; i < 600 && clarivo::CRegScan::GetInstance().busy(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  clarivo::SetUserInterface(nullptr);
  wxTheApp->OnExit();
  wxEntryCleanup();
  return 0;
}
