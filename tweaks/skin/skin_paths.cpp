#include "skin/skin_paths.h"

#include <unistd.h>

#include <mutex>
#include <string>

namespace tweaks {
namespace {

std::mutex& FolderLock() {
  static std::mutex lock;
  return lock;
}

wxString& FolderOverride() {
  static wxString folder;
  return folder;
}

wxString WithSlash(wxString folder) {
  folder.Replace("\\", "/");
  if (folder.empty() || folder.Last() != '/') folder += '/';
  return folder;
}

}  // namespace

wxString ExecutableFolder() {
  std::string buffer(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "./";
  buffer.resize(static_cast<size_t>(n));
  wxString path = wxString::FromUTF8(buffer.c_str());
  int slash = path.Find('/', true);
  return slash == wxNOT_FOUND ? wxString("./") : path.Left(slash + 1);
}

wxString SkinFolder() {
  std::lock_guard<std::mutex> guard(FolderLock());
  if (FolderOverride().empty()) FolderOverride() = ExecutableFolder() + "resource/default/";
  return FolderOverride();
}

void SetSkinFolder(const wxString& folder) {
  std::lock_guard<std::mutex> guard(FolderLock());
  FolderOverride() = folder.empty() ? wxString() : WithSlash(folder);
}

wxString SkinFilePath(const wxString& name) {
  wxString relative = name;
  relative.Replace("\\", "/");
  return SkinFolder() + relative;
}

}  // namespace tweaks
