// Named bitmaps of the "bitmaplist" sections of a skin file, each composed
// once from its layers ("bitmap", "icon", "text", "multi_text").
#pragma once

#include <wx/bitmap.h>
#include <wx/string.h>
#include <wx/xml/xml.h>

#include <vector>

#include "skin/colour_table.h"
#include "skin/font_table.h"
#include "skin/skin_function.h"

namespace tweaks {

struct BitmapEntry {
  wxString id;
  wxBitmap bitmap;
};

class BitmapList {
 public:
  // Reads the skin file `file` (relative to the skin folder) once; its own
  // font and colour tables come from "default.xml".
  explicit BitmapList(const wxString& file);
  // Reads an already parsed document (used by SkinView, which parsed it).
  explicit BitmapList(const wxXmlDocument& doc);

  // First entry whose id equals `id` without regard to case.
  virtual bool Get(const wxString& id, wxBitmap& out) const;
  virtual ~BitmapList();

  const std::vector<BitmapEntry>& Entries() const { return entries_; }

 private:
  void Read(const wxXmlDocument& doc);
  void ApplyLayer(const wxXmlNode* layer, wxBitmap& bitmap);
  void PlaceLayer(wxBitmap& bitmap, const wxBitmap& layer, const wxXmlNode* node);

  SkinFunction function_;
  FontTable fonts_;
  ColourTable colours_;
  std::vector<BitmapEntry> entries_;
};

}  // namespace tweaks
