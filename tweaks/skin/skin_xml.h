// The XML vocabulary shared by every skin file: sections, numbers and the
// attributes of drawn texts.
#pragma once

#include <wx/string.h>
#include <wx/xml/xml.h>

#include <vector>

namespace tweaks {

// Parses skin folder + `file` as UTF-8; true when it has a root element.
bool LoadSkinXml(const wxString& file, wxXmlDocument& out);

// Direct children of the root whose name equals `name` without regard to case,
// in document order. Empty when the document has no root.
std::vector<const wxXmlNode*> SkinSections(const wxXmlDocument& doc, const wxString& name);

// First section of that name, or null.
const wxXmlNode* FirstSkinSection(const wxXmlDocument& doc, const wxString& name);

// Element children of `node` in document order (text and comments skipped).
std::vector<const wxXmlNode*> ElementChildren(const wxXmlNode* node);

// Decimal number with optional leading spaces and sign; text that is not a
// number reads as 0. Digits stop at the first non-digit ("12px" is 12).
int ParseSkinInt(const wxString& text);

// Attribute `name` as a decimal number, `def` when absent.
int SkinIntAttr(const wxXmlNode* node, const wxString& name, int def);

// Attribute `name`, `def` when absent.
wxString SkinAttr(const wxXmlNode* node, const wxString& name, const wxString& def = wxString());

bool SkinHasAttr(const wxXmlNode* node, const wxString& name);

// Attributes of an element that draws text.
struct TextAttributes {
  wxString fontName;    // "font_name", default "default"
  wxString colourName;  // "colour_name", default "default"
  bool hasX = false;    // "x" given
  bool hasY = false;    // "y" given
  int x = 0;
  int y = 0;
  wxString text;  // "value", else the element's own text content (untranslated)
};

TextAttributes ReadTextAttributes(const wxXmlNode* node);

// `text` through the translation catalogue; empty text stays empty (an empty
// message id would fetch the catalogue's header).
wxString TranslateSkinText(const wxString& text);

}  // namespace tweaks
