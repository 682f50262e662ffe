// The restore page and registry choice tests.
#include "tests/ui/gui_test_runner.h"
#include "tests/ui_restore/restore_test_support.h"

int main(int argc, char** argv) {
  return clarivo::uitest::RunGuiTests(argc, argv, "clarivo-restore-test",
                                      clarivo::restoretest::SetBaseFolder);
}
