// The part of the program's start-up routine that needs no window.
#pragma once

#include <functional>

#include "app/core/single_instance.h"

namespace clarivo {

// In order: sets the profile root to the company key, takes the single-
// instance guard (a later start hands its command line to the first instance
// and answers false without a window), binds the translation catalogue, runs
// `run_main_window` (which returns when the main window's loop has ended),
// then destroys the guard, its watcher ended. True when the window ran.
bool RunProgram(CSingleInstance& guard, const std::function<void()>& run_main_window);

}  // namespace clarivo
