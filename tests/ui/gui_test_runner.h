// The main of every in-process window test: gtest inside an initialised
// toolkit (under Xvfb in ctest), with HOME and the XDG folders in a fresh
// temporary folder that is removed afterwards; a toolkit assertion fails the
// running test instead of opening a dialog.
#pragma once

#include <functional>
#include <string>

namespace clarivo::uitest {

// `name` names the temporary folder (/tmp/<name>.XXXXXX); `with_base` is told
// that folder before the tests run.
int RunGuiTests(int argc, char** argv, const char* name,
                const std::function<void(const std::string& base)>& with_base);

}  // namespace clarivo::uitest
