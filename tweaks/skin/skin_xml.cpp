#include "skin/skin_xml.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <climits>

#include "skin/skin_paths.h"

namespace tweaks {

bool LoadSkinXml(const wxString& file, wxXmlDocument& out) {
  wxString path = SkinFilePath(file);
  if (!wxFileName::FileExists(path)) return false;
  wxLogNull quiet;  // a broken skin file reads as empty, it is not reported
  wxXmlDocument doc;
  if (!doc.Load(path, "UTF-8") || doc.GetRoot() == nullptr) return false;
  out = doc;
  return true;
}

std::vector<const wxXmlNode*> SkinSections(const wxXmlDocument& doc, const wxString& name) {
  std::vector<const wxXmlNode*> sections;
  const wxXmlNode* root = doc.IsOk() ? doc.GetRoot() : nullptr;
  if (root == nullptr) return sections;
  for (const wxXmlNode* child : ElementChildren(root)) {
    if (child->GetName().IsSameAs(name, false)) sections.push_back(child);
  }
  return sections;
}

const wxXmlNode* FirstSkinSection(const wxXmlDocument& doc, const wxString& name) {
  auto sections = SkinSections(doc, name);
  return sections.empty() ? nullptr : sections.front();
}

std::vector<const wxXmlNode*> ElementChildren(const wxXmlNode* node) {
  std::vector<const wxXmlNode*> children;
  if (node == nullptr) return children;
  for (const wxXmlNode* child = node->GetChildren(); child != nullptr; child = child->GetNext()) {
    if (child->GetType() == wxXML_ELEMENT_NODE) children.push_back(child);
  }
  return children;
}

int ParseSkinInt(const wxString& text) {
  size_t i = 0;
  while (i < text.length() && wxIsspace(text[i])) ++i;
  bool negative = false;
  if (i < text.length() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.length() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i].GetValue() - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;  // clamped below
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

int SkinIntAttr(const wxXmlNode* node, const wxString& name, int def) {
  wxString value;
  if (node == nullptr || !node->GetAttribute(name, &value)) return def;
  return ParseSkinInt(value);
}

wxString SkinAttr(const wxXmlNode* node, const wxString& name, const wxString& def) {
  if (node == nullptr) return def;
  return node->GetAttribute(name, def);
}

bool SkinHasAttr(const wxXmlNode* node, const wxString& name) {
  return node != nullptr && node->HasAttribute(name);
}

TextAttributes ReadTextAttributes(const wxXmlNode* node) {
  TextAttributes attrs;
  attrs.fontName = SkinAttr(node, "font_name", "default");
  attrs.colourName = SkinAttr(node, "colour_name", "default");
  attrs.hasX = SkinHasAttr(node, "x");
  attrs.hasY = SkinHasAttr(node, "y");
  attrs.x = SkinIntAttr(node, "x", 0);
  attrs.y = SkinIntAttr(node, "y", 0);
  if (node != nullptr && !node->GetAttribute("value", &attrs.text)) attrs.text = node->GetNodeContent();
  return attrs;
}

wxString TranslateSkinText(const wxString& text) { return text.empty() ? text : wxGetTranslation(text); }

}  // namespace tweaks
