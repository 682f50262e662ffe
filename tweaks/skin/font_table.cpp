#include "skin/font_table.h"

#include <wx/dcscreen.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "skin/skin_xml.h"

namespace tweaks {

FontSpec FontSpec::Read(const wxXmlNode* entry) {
  FontSpec spec;
  // INT_MIN has no absolute value in an int.
  spec.pixelSize = std::abs(std::max(SkinIntAttr(entry, "size", 9), -INT_MAX));
  spec.italic = SkinAttr(entry, "italic", "true").IsSameAs("true", false);
  wxString weight = SkinAttr(entry, "weight", "normal");
  if (weight == "normal") {
    spec.weight = wxFONTWEIGHT_NORMAL;
  } else if (weight == "light") {
    spec.weight = wxFONTWEIGHT_LIGHT;
  } else {
    spec.weight = wxFONTWEIGHT_BOLD;
  }
  spec.underline = !SkinAttr(entry, "underline", "false").IsSameAs("false", false);
  spec.face = SkinAttr(entry, "name", "Arial");
  return spec;
}

int FontSpec::PointSize(int pixelSize, int dpiX, int dpiY) {
  if (dpiY <= 0) dpiY = 96;
  double factor = dpiX / 96.0 > 1.0 ? 68.0 : 72.0;
  const double points = std::abs(static_cast<double>(pixelSize)) * factor / dpiY + 0.5;
  return points >= INT_MAX ? INT_MAX : static_cast<int>(points);
}

wxFont FontSpec::MakeFont() const {
  wxSize ppi = wxScreenDC().GetPPI();
  int points = PointSize(pixelSize, ppi.x, ppi.y);
  // A zero size is no font at all for the toolkit, and sizes far beyond any
  // screen make it assert (it keeps sizes in 1/1024 points in an int).
  points = std::clamp(points, 1, kMaxPointSize);
  return wxFont(points, wxFONTFAMILY_SWISS, italic ? wxFONTSTYLE_ITALIC : wxFONTSTYLE_NORMAL, weight,
                underline, face, wxFONTENCODING_DEFAULT);
}

FontTable::FontTable() {
  wxXmlDocument doc;
  if (LoadSkinXml("default.xml", doc)) Read(doc);
}

FontTable::FontTable(const wxXmlDocument& doc) { Read(doc); }

void FontTable::Read(const wxXmlDocument& doc) {
  for (const wxXmlNode* section : SkinSections(doc, "font")) {
    for (const wxXmlNode* element : ElementChildren(section)) {
      Entry entry{element->GetName(), FontSpec::Read(element), wxFont()};
      entry.font = entry.spec.MakeFont();
      entries_.push_back(entry);
    }
  }
}

bool FontTable::FindFont(const wxString& name, wxFont& out) const {
  for (const Entry& entry : entries_) {
    if (entry.name.IsSameAs(name, false)) {
      out = entry.font;
      return true;
    }
  }
  return false;
}

}  // namespace tweaks
