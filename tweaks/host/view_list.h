// The view list of system.xml: every "VIEWLIST" child of the root (any case,
// all of them in document order) holds one element per view plug-in.
#pragma once

#include <wx/string.h>

#include <vector>

namespace tweaks {

struct ViewEntry {
  wxString name;  // "name"
  wxString desc;  // "desc"
  wxString path;  // "path" of the plug-in library
};

// Empty when the file is missing or cannot be parsed.
std::vector<ViewEntry> ReadViewList(const wxString& systemXml);

}  // namespace tweaks
