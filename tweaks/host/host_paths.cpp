#include "host/host_paths.h"

#include <wx/datetime.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "skin/skin_paths.h"

namespace tweaks {
namespace {

wxString& ProgramFolderOverride() {
  static wxString folder;
  return folder;
}

wxString WithSlash(wxString folder) {
  if (!folder.EndsWith("/")) folder += "/";
  return folder;
}

// One level only, and no report when it fails (a read-only program folder):
// whoever writes into the folder then simply fails quietly.
wxString CreatedOnDemand(const wxString& folder) {
  if (!wxDirExists(folder)) {
    wxLogNull quiet;
    wxMkdir(folder);
  }
  return folder;
}

}  // namespace

wxString ProgramFolder() {
  if (!ProgramFolderOverride().empty()) return ProgramFolderOverride();
  return WithSlash(ExecutableFolder());
}

void SetProgramFolder(const wxString& folder) {
  ProgramFolderOverride() = WithSlash(folder);
  SetSkinFolder(ProgramFolderOverride() + "resource/default/");
}

wxString SystemXmlPath() { return ProgramFolder() + "system.xml"; }
wxString LanguagesFolder() { return ProgramFolder() + "Languages"; }
wxString InfoFolder() { return CreatedOnDemand(ProgramFolder() + "info/"); }
wxString LogFolder() { return CreatedOnDemand(ProgramFolder() + "log/"); }

wxString TodayLogFileName() { return wxDateTime::Now().FormatISODate() + ".log"; }

wxString GetInfoFilePath(const wxString& name) { return InfoFolder() + name; }
wxString GetLogFilePath(const wxString& name) { return LogFolder() + name; }
wxString GetSkinFilePath(const wxString& name) { return SkinFilePath(name); }

wxString ResolveLibraryPath(const wxString& path) {
  if (path.empty() || wxFileName(path).IsAbsolute()) return path;
  wxString local = ProgramFolder() + path;
  return wxFileExists(local) ? local : path;
}

}  // namespace tweaks
