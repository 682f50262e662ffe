#include "tests/ui/gui_test_runner.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace clarivo::uitest {

int RunGuiTests(int argc, char** argv, const char* name,
                const std::function<void(const std::string& base)>& with_base) {
  testing::InitGoogleTest(&argc, argv);
  std::string pattern = std::string("/tmp/") + name + ".XXXXXX";
  std::vector<char> base_template(pattern.begin(), pattern.end());
  base_template.push_back('\0');
  const char* base = mkdtemp(base_template.data());
  if (base == nullptr) return 1;
  for (const char* variable :
       {"HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
    const std::string folder = std::string(base) + "/" + variable;
    const std::string command = "mkdir -p -m 700 '" + folder + "'";
    if (std::system(command.c_str()) != 0) return 1;
    setenv(variable, folder.c_str(), 1);
  }
  with_base(base);
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
  const std::string cleanup = std::string("rm -rf '") + base + "'";
  if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", base);
  return result;
}

}  // namespace clarivo::uitest
