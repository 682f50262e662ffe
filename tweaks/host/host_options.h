// The host's options: two read from system.xml ("other" element), six that
// only the settings dialog shows and edits.
#pragma once

#include <wx/string.h>

namespace tweaks {

struct HostOptions {
  bool haveTray = false;        // "HaveTray"
  bool singleInstance = false;  // "IsSingleInstance"
  int notAutoUpdate = 0;        // 0 = update automatically
  bool autoProtect = false;
  bool autoSpeedup = false;
  int checkMode = 0;  // 0 every time, 1 the first time only, 2 manually
  bool autoShowMessage = false;
  bool closeExits = false;  // false: the close button minimises
};

// A copy of the process-wide options, read from system.xml on first use.
HostOptions ReadHostOptions();

// Fills the two file-backed fields of `record` from system.xml: the first
// root child named "other" (any case); each attribute defaults to "y" and is
// true only for "y" (any case). A file that cannot be parsed or has no such
// element gives false for both.
void LoadHostOptionsFile(HostOptions& record);
void LoadHostOptionsFile(const wxString& systemXml, HostOptions& record);

}  // namespace tweaks
