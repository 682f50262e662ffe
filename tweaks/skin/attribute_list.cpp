#include "skin/attribute_list.h"

#include "skin/skin_xml.h"

namespace tweaks {

AttributeList::AttributeList(const wxString& file) {
  wxXmlDocument doc;
  if (LoadSkinXml(file, doc)) Read(doc);
}

AttributeList::AttributeList(const wxXmlDocument& doc) { Read(doc); }

AttributeList::~AttributeList() = default;

void AttributeList::Read(const wxXmlDocument& doc) {
  for (const wxXmlNode* section : SkinSections(doc, "attributeList")) {
    for (const wxXmlNode* element : ElementChildren(section)) {
      AttributeRecord record;
      record.id = SkinAttr(element, "id");
      record.x = SkinIntAttr(element, "x", 0);
      record.y = SkinIntAttr(element, "y", 0);
      record.height = SkinIntAttr(element, "height", 0);
      record.width = SkinIntAttr(element, "width", 0);
      record.font_name = SkinAttr(element, "font_name");
      record.colour_name = SkinAttr(element, "colour_name");
      record.text = SkinAttr(element, "text");
      records_.push_back(record);
    }
  }
}

bool AttributeList::Get(const wxString& id, AttributeRecord& out) const {
  for (const AttributeRecord& record : records_) {
    if (record.id.IsSameAs(id, false)) {
      out = record;
      return true;
    }
  }
  return false;
}

}  // namespace tweaks
