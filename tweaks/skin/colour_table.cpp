#include "skin/colour_table.h"

#include <algorithm>
#include <cwchar>

#include "skin/skin_xml.h"

namespace tweaks {
namespace {

unsigned char Channel(const wxXmlNode* entry, const wxString& name) {
  return static_cast<unsigned char>(std::clamp(SkinIntAttr(entry, name, 255), 0, 255));
}

}  // namespace

ColourTable::ColourTable() {
  wxXmlDocument doc;
  if (LoadSkinXml("default.xml", doc)) Read(doc);
}

ColourTable::ColourTable(const wxXmlDocument& doc) { Read(doc); }

void ColourTable::Read(const wxXmlDocument& doc) {
  for (const wxXmlNode* section : SkinSections(doc, "color")) {
    for (const wxXmlNode* entry : ElementChildren(section)) {
      entries_.push_back({entry->GetName(), ReadColour(entry)});
    }
  }
}

wxColour ColourTable::ReadColour(const wxXmlNode* entry) {
  wxString rgb;
  if (entry != nullptr && entry->GetAttribute("RGB", &rgb)) {
    const unsigned long value = std::wcstoul(rgb.wc_str(), nullptr, 16);
    return wxColour(static_cast<unsigned char>(value & 0xFF), static_cast<unsigned char>((value >> 8) & 0xFF),
                    static_cast<unsigned char>((value >> 16) & 0xFF));
  }
  return wxColour(Channel(entry, "ColourRed"), Channel(entry, "ColourGreen"), Channel(entry, "ColourBlue"));
}

bool ColourTable::FindColour(const wxString& name, wxColour& out) const {
  for (const Entry& entry : entries_) {
    if (entry.name.IsSameAs(name, false)) {
      out = entry.colour;
      return true;
    }
  }
  return false;
}

}  // namespace tweaks
