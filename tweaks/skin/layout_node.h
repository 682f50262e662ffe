// The layout tree of a skinned view: one node per skinned window, sizes and
// positions computed from fixed sizes, percentages and gaps.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>
#include <wx/xml/xml.h>

#include <cstdint>
#include <vector>

namespace tweaks {

struct LayoutNode {
  enum class Kind { View, Sizer, Control };

  wxString id;
  Kind kind = Kind::View;
  int32_t x = 0, y = 0;
  int32_t width = 0, height = 0;
  int32_t computedWidth = 0, computedHeight = 0, computedX = 0, computedY = 0;
  int32_t percentH = -1, percentW = -1;
  int32_t dx = 0, dy = 0;
  int32_t dw = 0, dh = 0;
  int32_t space = 5;
  wxString orient = "v";
  wxString foreColour;  // "force_colour"
  wxString backColour;  // "back_colour"
  wxString fontName;    // "font_name"
  wxString title;
  wxString iconFile;  // "icon_file"
  wxString gifFile;   // "gif_file"
  wxString maskFile;  // "mask_file"
  int location = 0;   // 1 LT, 2 LB, 3 RT, 4 RB, 0 centred
  std::vector<LayoutNode> children;

  // Only sizers with orient "h" (exact) flow horizontally; every other node
  // flows vertically.
  bool FlowsHorizontally() const { return kind == Kind::Sizer && orient == "h"; }

  // Reads a "view", "sizer" or "control" element and its descendants;
  // elements with other names are skipped with everything inside them.
  static LayoutNode Read(const wxXmlNode* element);

  // Lays this node out with the available size `available` (unused by views,
  // which keep their own width and height) and then each child recursively.
  void Layout(const wxSize& available);
};

// Screen position of a top-level window of size w x h by its `location` code;
// `titleButton` is the height of a title-bar button.
wxPoint PlaceByLocation(int location, int w, int h, int screenW, int screenH, int titleButton);

// "LT" 1, "LB" 2, "RT" 3, "RB" 4 without regard to case, anything else 0.
int ParseLocation(const wxString& text);

}  // namespace tweaks
