// Loaders of single skin files; `file` is relative to the skin folder.
#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/string.h>
#include <wx/xml/xml.h>

#include "skin/skin_xml.h"  // LoadSkinXml, the loader of skin XML files

class wxAnimationCtrlBase;

namespace tweaks {

// Any registered image format, as a bitmap of screen depth.
bool LoadSkinBitmap(const wxString& file, wxBitmap& out);
// ICO file at size x size; false when the file is missing or unreadable.
bool LoadSkinIcon(const wxString& file, wxIcon& out, int size);
// GIF animation into `control`; false when the file is missing.
bool LoadSkinAnimation(const wxString& file, wxAnimationCtrlBase* control);

}  // namespace tweaks
