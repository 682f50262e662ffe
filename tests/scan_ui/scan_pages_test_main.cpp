// Runs the scan page tests inside an initialised toolkit (under Xvfb in
// ctest), with HOME and the XDG folders in a temporary folder; a toolkit
// assertion fails the running test.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  char base_template[] = "/tmp/clarivo-scan-pages.XXXXXX";
  const char* base = mkdtemp(base_template);
  if (base == nullptr) return 1;
  setenv("CLARIVO_SCAN_TEST_BASE", base, 1);
  for (const char* name : {"HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
    const std::string folder = std::string(base) + "/" + name;
    const std::string command = "mkdir -p -m 700 '" + folder + "'";
    if (std::system(command.c_str()) != 0) return 1;
    setenv(name, folder.c_str(), 1);
  }
  wxSetAssertHandler(
      [](const wxString& file, int line, const wxString&, const wxString& cond, const wxString& msg) {
        ADD_FAILURE() << "toolkit assertion " << file.utf8_string() << ":" << line << " "
                      << cond.utf8_string() << " " << msg.utf8_string();
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
  const std::string cleanup = std::string("rm -rf '") + base + "'";
  if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", base);
  return result;
}
