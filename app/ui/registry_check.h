// Before a scan the program opens the registry itself: the engine would find
// nothing in a registry it cannot read, which must never look like a clean
// registry. A registry that cannot be read is named, with the cause, in
// "Registry_unreadable.html", and nothing is scanned.
#pragma once

#include <string>

namespace clarivo::ui {

struct RegistryState {
  bool readable = false;
  std::string source;   // e.g. "wine:/home/ann/.wine"
  std::string reason;   // why it cannot be read
  std::string warning;  // e.g. a running wineserver
};

// Opens the registry the program cleans (CLARIVO_REGISTRY, else $WINEPREFIX,
// else ~/.wine); when it opens, CLARIVO_REGISTRY names it for the engine and
// the registry editor.
RegistryState CheckRegistry();

// CheckRegistry, then: unreadable -> the message, false; readable -> true,
// the engine bound anew when it was made while the registry was unreadable.
bool EnsureRegistryReadable();

// Called once at start-up, before the controller binds the engine: the
// registry chosen in the settings (unless the environment names one).
void PrepareRegistry();

// After the choice in the settings changed: when nothing runs, the program
// turns to the chosen registry and binds the engine anew. True when the
// registry changed. Also done before every scan.
bool SwitchToChosenRegistry();

}  // namespace clarivo::ui
