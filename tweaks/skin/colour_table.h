// Named colours of the skin ("color" sections of "default.xml").
#pragma once

#include <wx/colour.h>
#include <wx/string.h>
#include <wx/xml/xml.h>

#include <vector>

namespace tweaks {

class ColourTable {
 public:
  struct Entry {
    wxString name;
    wxColour colour;
  };

  // Reads "default.xml" of the skin folder.
  ColourTable();
  // Reads every "color" section of a parsed skin document.
  explicit ColourTable(const wxXmlDocument& doc);

  // First entry whose name equals `name` without regard to case.
  bool FindColour(const wxString& name, wxColour& out) const;

  const std::vector<Entry>& Entries() const { return entries_; }

  // The colour one entry element describes: "RGB" (hex, lowest byte red) when
  // present, else "ColourRed"/"ColourGreen"/"ColourBlue" defaulting to 255.
  static wxColour ReadColour(const wxXmlNode* entry);

 private:
  void Read(const wxXmlDocument& doc);
  std::vector<Entry> entries_;
};

}  // namespace tweaks
