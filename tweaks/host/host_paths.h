// Folders and files the host derives from its own location. Every path ends
// in '/' when it names a folder; skin file names may use backslashes between
// sub-folders and are mapped to '/'.
#pragma once

#include <wx/string.h>

#include "skin/skin_paths.h"  // SkinFolder(): program folder + "resource/default/"

namespace tweaks {

// Folder of the running executable, with a trailing '/'.
wxString ProgramFolder();
// Points the program folder (and with it the skin folder) elsewhere; tests
// use it to run a host against a folder of their own.
void SetProgramFolder(const wxString& folder);

wxString SystemXmlPath();     // program folder + "system.xml"
wxString LanguagesFolder();   // program folder + "Languages"
wxString InfoFolder();        // program folder + "info/", created on demand
wxString LogFolder();         // program folder + "log/", created on demand
wxString TodayLogFileName();  // local date as YYYY-MM-DD + ".log"

// The folder (created on demand) followed by `name`, or the folder alone.
wxString GetInfoFilePath(const wxString& name);
wxString GetLogFilePath(const wxString& name);
// Skin folder followed by `name` (backslashes mapped to '/').
wxString GetSkinFilePath(const wxString& name);

// A library path from system.xml: a relative name found in the program folder
// is taken from there (as the program's own folder is searched first on the
// platform the view list was written for); anything else is left unchanged.
wxString ResolveLibraryPath(const wxString& path);

}  // namespace tweaks
