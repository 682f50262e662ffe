#include "host/tweaks_app.h"

#include <wx/busyinfo.h>
#include <wx/filefn.h>
#include <wx/filesys.h>
#include <wx/fs_arc.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <cstdio>

#include "host/host_options.h"
#include "host/host_paths.h"
#include "host/main_control.h"
#include "host/script_driver.h"

namespace tweaks {

wxIMPLEMENT_DYNAMIC_CLASS(TweaksApp, wxApp);

TweaksApp::TweaksApp() = default;

TweaksApp::~TweaksApp() {
  script_.reset();
  checker_.reset();
  if (control_) {
    control_->ReleaseResources();
    control_.reset();
  }
  locale_.reset();
}

bool TweaksApp::OnInit() {
  // Test switch: "--script=STEP;STEP;..." drives the running program (see
  // ScriptDriver). Everything else on the command line is ignored.
  wxString script;
  for (int i = 1; i < argc; ++i) {
    wxString arg = argv[i];
    if (arg.StartsWith("--script=", &script)) break;
  }
  if (!script.empty()) {
    // Nobody is there to answer an assertion dialog.
    wxSetAssertHandler(
        [](const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg) {
          std::fprintf(stderr, "assert %s:%d %s: %s %s\n", file.utf8_str().data(), line,
                       func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
        });
  }

  HostOptions options = ReadHostOptions();

  if (options.singleInstance) {
    checker_ = std::make_unique<wxSingleInstanceChecker>();
    if (checker_->Create(wxString::Format("Tweaksapp-%s", wxGetUserId())) && checker_->IsAnotherRunning()) {
      return false;
    }
  }

  locale_ = std::make_unique<wxLocale>();
  {
    wxLogNull quiet;  // an unknown system language keeps the English texts
    // No flags: the toolkit's own catalogue is not wanted, and texts are
    // converted to the display encoding without asking.
    if (locale_->Init(wxLANGUAGE_DEFAULT, 0)) {
      wxLocale::AddCatalogLookupPathPrefix(LanguagesFolder());
      locale_->AddCatalog("default");
    }
  }

  wxFileSystem::AddHandler(new wxArchiveFSHandler);
  wxImage::AddHandler(new wxPNGHandler);
  wxImage::AddHandler(new wxICOHandler);
  wxImage::AddHandler(new wxJPEGHandler);
  wxImage::AddHandler(new wxBMPHandler);  // already there: the toolkit keeps its own
  wxImage::AddHandler(new wxGIFHandler);

  if (!SystemXmlPath().empty() && !wxFileExists(SystemXmlPath())) {
    wxMessageBox(_("Configure file is missing. Please reinstall to fix this problem."), _("Tweaks"),
                 wxICON_ERROR | wxOK);
    return false;
  }

  {
    wxBusyInfo busy(_("Loading, please wait..."));
    control_ = std::make_unique<MainControl>();
    control_->Start();
  }

  if (!script.empty()) script_ = std::make_unique<ScriptDriver>(control_.get(), script);
  return true;
}

}  // namespace tweaks

wxIMPLEMENT_APP(tweaks::TweaksApp);
