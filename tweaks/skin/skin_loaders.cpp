#include "skin/skin_loaders.h"

#include <wx/animate.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/log.h>

#include "skin/skin_paths.h"

namespace tweaks {

bool LoadSkinBitmap(const wxString& file, wxBitmap& out) {
  wxString path = SkinFilePath(file);
  if (file.empty() || !wxFileName::FileExists(path)) return false;
  wxLogNull quiet;
  wxImage image;
  if (!image.LoadFile(path, wxBITMAP_TYPE_ANY) || !image.IsOk()) return false;
  out = wxBitmap(image, wxBITMAP_SCREEN_DEPTH);
  return out.IsOk();
}

bool LoadSkinIcon(const wxString& file, wxIcon& out, int size) {
  wxString path = SkinFilePath(file);
  if (file.empty() || size <= 0 || !wxFileName::FileExists(path)) return false;
  wxLogNull quiet;
  // An icon file may hold several sizes: take the exact one, else the largest
  // scaled down.
  int count = wxImage::GetImageCount(path, wxBITMAP_TYPE_ICO);
  wxImage best;
  for (int index = 0; index < count; ++index) {
    wxImage candidate;
    if (!candidate.LoadFile(path, wxBITMAP_TYPE_ICO, index)) continue;
    if (candidate.GetWidth() == size && candidate.GetHeight() == size) {
      best = candidate;
      break;
    }
    if (!best.IsOk() || candidate.GetWidth() > best.GetWidth()) best = candidate;
  }
  if (!best.IsOk()) return false;
  if (best.GetWidth() != size || best.GetHeight() != size) best.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
  wxIcon icon;
  icon.CopyFromBitmap(wxBitmap(best));
  if (!icon.IsOk()) return false;
  out = icon;
  return true;
}

bool LoadSkinAnimation(const wxString& file, wxAnimationCtrlBase* control) {
  wxString path = SkinFilePath(file);
  if (control == nullptr || file.empty() || !wxFileName::FileExists(path)) return false;
  wxLogNull quiet;
  return control->LoadFile(path, wxANIMATION_TYPE_GIF);
}

}  // namespace tweaks
