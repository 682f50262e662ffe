// The scan page tests; they find their temporary folder in CLARIVO_SCAN_TEST_BASE.
#include <cstdlib>
#include <string>

#include "tests/ui/gui_test_runner.h"

int main(int argc, char** argv) {
  return clarivo::uitest::RunGuiTests(argc, argv, "clarivo-scan-pages", [](const std::string& base) {
    setenv("CLARIVO_SCAN_TEST_BASE", base.c_str(), 1);
  });
}
