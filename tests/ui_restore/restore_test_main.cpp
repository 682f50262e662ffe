// Runs the restore page tests inside an initialised toolkit (under Xvfb in
// ctest), with HOME and the XDG folders in a temporary folder; a toolkit
// assertion fails the running test instead of opening a dialog.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/ui_restore/restore_test_support.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  char base_template[] = "/tmp/clarivo-restore-test.XXXXXX";
  const char* base = mkdtemp(base_template);
  if (base == nullptr) return 1;
  for (const char* name : {"HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
    const std::string folder = std::string(base) + "/" + name;
    if (!clarivo::restoretest::Run("mkdir -p -m 700 '" + folder + "'")) return 1;
    setenv(name, folder.c_str(), 1);
  }
  clarivo::restoretest::SetBaseFolder(base);
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
  const int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  if (!clarivo::restoretest::Run(std::string("rm -rf '") + base + "'"))
    std::fprintf(stderr, "could not remove %s\n", base);
  return result;
}
