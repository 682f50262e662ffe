// Where the skin lives. Every skin file name is relative to the skin folder and
// may use backslashes between sub-folders ("xml\MainFrame\MainFrame.xml").
#pragma once

#include <wx/string.h>

namespace tweaks {

// Folder of the running executable, with a trailing '/'.
wxString ExecutableFolder();

// The skin folder, with a trailing '/'. Defaults to the executable folder +
// "resource/default/"; a host or a test may point it elsewhere.
wxString SkinFolder();
void SetSkinFolder(const wxString& folder);

// Skin folder + `name` with backslashes mapped to '/'; the folder alone when
// `name` is empty.
wxString SkinFilePath(const wxString& name);

}  // namespace tweaks
