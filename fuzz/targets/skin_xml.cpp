// Skin description files: any document reads into layout trees, colours and
// attribute records, and lays out, without failing.
#include "skin/skin_xml.h"

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "skin/attribute_list.h"
#include "skin/colour_table.h"
#include "skin/layout_node.h"
#include "skin/skin_function.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  wxLogNull quiet;
  wxMemoryInputStream stream(data, size);
  wxXmlDocument doc;
  if (!doc.Load(stream, "UTF-8") || !doc.GetRoot()) return 0;
  for (const char* name : {"view", "dialog", "window"}) {
    for (const wxXmlNode* section : tweaks::SkinSections(doc, name)) {
      tweaks::LayoutNode root = tweaks::LayoutNode::Read(section);
      root.Layout(wxSize(800, 600));
      tweaks::ReadTextAttributes(section);
    }
  }
  // Every size a skin element asks for, as a stretch target: sizes beyond
  // any screen are refused before an image is made; small ones are made.
  std::vector<const wxXmlNode*> pending{doc.GetRoot()};
  while (!pending.empty()) {
    const wxXmlNode* node = pending.back();
    pending.pop_back();
    for (const wxXmlNode* child : tweaks::ElementChildren(node)) pending.push_back(child);
    const wxSize size(tweaks::SkinIntAttr(node, "width", 0), tweaks::SkinIntAttr(node, "height", 0));
    if (!tweaks::SkinFunction::StretchSizeAllowed(size)) {
      FUZZ_CHECK(!tweaks::SkinFunction::NineGrid(wxImage(), size).IsOk(), "a refused size makes no image");
    } else if (static_cast<std::int64_t>(size.x) * size.y <= 4096) {
      FUZZ_CHECK(tweaks::SkinFunction::NineGrid(wxImage(), size).GetSize() == size, "an image of that size");
    }
  }
  tweaks::ColourTable colours(doc);
  wxColour colour;
  colours.FindColour("back", colour);
  tweaks::AttributeList attributes(doc);
  tweaks::AttributeRecord record;
  attributes.Get("title", record);
  return 0;
}
