// Named fonts of the skin ("font" sections of "default.xml").
#pragma once

#include <wx/font.h>
#include <wx/string.h>
#include <wx/xml/xml.h>

#include <vector>

namespace tweaks {

// What one font element says, before it becomes a toolkit font.
struct FontSpec {
  static constexpr int kMaxPointSize = 1000;

  int pixelSize = 9;                          // "size", absolute value
  bool italic = true;                         // "italic" == "true" (any case); italic when absent
  wxFontWeight weight = wxFONTWEIGHT_NORMAL;  // "normal", "light", else bold
  bool underline = false;                     // underlined unless "underline" == "false"
  wxString face = "Arial";                    // "name"

  static FontSpec Read(const wxXmlNode* entry);
  // Point size for a height in pixels: trunc(px * F / dpiY + 0.5), F = 68 when
  // dpiX / 96 > 1.0 else 72.
  static int PointSize(int pixelSize, int dpiX, int dpiY);
  // Swiss family, default encoding, point size from the screen's resolution
  // (at least 1, at most kMaxPointSize).
  wxFont MakeFont() const;
};

class FontTable {
 public:
  struct Entry {
    wxString name;
    FontSpec spec;
    wxFont font;
  };

  // Reads "default.xml" of the skin folder.
  FontTable();
  // Reads every "font" section of a parsed skin document.
  explicit FontTable(const wxXmlDocument& doc);

  // First entry whose name equals `name` without regard to case.
  bool FindFont(const wxString& name, wxFont& out) const;

  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  void Read(const wxXmlDocument& doc);
  std::vector<Entry> entries_;
};

}  // namespace tweaks
