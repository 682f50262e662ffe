// Runs the GUI tests inside an initialised toolkit (under Xvfb in ctest),
// with assertions printed instead of shown.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  wxSetAssertHandler(
      [](const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg) {
        std::fprintf(stderr, "wx assert %s:%d %s: %s %s\n", file.utf8_str().data(), line,
                     func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
        ADD_FAILURE() << "toolkit assertion: " << cond.utf8_string() << " " << msg.utf8_string();
      });
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "cannot start the toolkit (no display?)\n");
    return 1;
  }
  wxInitAllImageHandlers();
  // The host shows nothing through the log but for a missing resource: any
  // error or warning fails the running test instead of opening a dialog.
  class FailingLog : public wxLog {
   protected:
    void DoLogTextAtLevel(wxLogLevel level, const wxString& text) override {
      std::fprintf(stderr, "wx log: %s\n", text.utf8_str().data());
      if (level <= wxLOG_Warning) ADD_FAILURE() << "logged for the user: " << text.utf8_string();
    }
  };
  delete wxLog::SetActiveTarget(new FailingLog);
  int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}
