// Before a fix the program makes sure that it may change the registry: a
// wineserver that holds the prefix would write its own copy back over every
// deletion, and read-only files would fail half-way. A registry that cannot
// be changed is named in "Registry_locked.html", with what to do, and
// nothing is started.
//
// A small check of its own (the wineserver lock and the access rights of the
// prefix folder and its two registry files), meant to give way to the
// registry layer's own check once that is shared.
#pragma once

#include <string>

namespace clarivo::ui {

struct RegistryWriteState {
  bool writable = true;
  std::string prefix;       // the Wine prefix folder; empty for other sources
  const char* reason = "";  // message identifier: why it cannot be changed
  std::string path;         // the folder or file it names
};

// For the registry the program cleans (CLARIVO_REGISTRY, else $WINEPREFIX,
// else ~/.wine).
RegistryWriteState CheckRegistryWritable();

// CheckRegistryWritable, and the message when it cannot be changed.
bool EnsureRegistryWritable();

}  // namespace clarivo::ui
