// The window tests, each with its own executable folder, profile and XDG folders.
#include "tests/ui/gui_test_runner.h"
#include "tests/ui/ui_test_support.h"

int main(int argc, char** argv) {
  return clarivo::uitest::RunGuiTests(argc, argv, "clarivo-ui-test", clarivo::uitest::SetBaseFolder);
}
