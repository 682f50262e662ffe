#include "skin/layout_node.h"

#include <algorithm>
#include <cstdint>

#include "skin/skin_xml.h"

namespace tweaks {
namespace {

bool KindOf(const wxString& name, LayoutNode::Kind& kind) {
  if (name.IsSameAs("view", false)) {
    kind = LayoutNode::Kind::View;
  } else if (name.IsSameAs("sizer", false)) {
    kind = LayoutNode::Kind::Sizer;
  } else if (name.IsSameAs("control", false)) {
    kind = LayoutNode::Kind::Control;
  } else {
    return false;
  }
  return true;
}

// Skin files may hold any 32-bit numbers: sums and products are computed in
// 64 bits and brought back into the 32-bit range by clamping.
int32_t Clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// percent % of `remaining`.
int32_t Share(int32_t remaining, int32_t percent) { return Clamp32(int64_t{remaining} * percent / 100); }

}  // namespace

int ParseLocation(const wxString& text) {
  static const char* const kNames[] = {"LT", "LB", "RT", "RB"};
  for (int i = 0; i < 4; ++i) {
    if (text.IsSameAs(kNames[i], false)) return i + 1;
  }
  return 0;
}

wxPoint PlaceByLocation(int location, int w, int h, int screenW, int screenH, int titleButton) {
  switch (location) {
    case 1:
      return wxPoint(0, 0);
    case 2:
      return wxPoint(0, screenH - h - titleButton - 10);
    case 3:
      return wxPoint(screenW - w, 0);
    case 4:
      return wxPoint(screenW - w, screenH - h - titleButton - 10);
    default:
      return wxPoint((screenW - w) / 2, (screenH - h) / 2);
  }
}

LayoutNode LayoutNode::Read(const wxXmlNode* element) {
  LayoutNode node;
  if (element == nullptr) return node;
  KindOf(element->GetName(), node.kind);
  node.id = SkinAttr(element, "id");
  node.x = SkinIntAttr(element, "x", 0);
  node.y = SkinIntAttr(element, "y", 0);
  node.width = SkinIntAttr(element, "width", 0);
  node.height = SkinIntAttr(element, "height", 0);
  node.percentH = SkinIntAttr(element, "percent_h", -1);
  node.percentW = SkinIntAttr(element, "percent_w", -1);
  node.dx = SkinIntAttr(element, "dx", 0);
  node.dy = SkinIntAttr(element, "dy", 0);
  node.dw = SkinIntAttr(element, "dw", 0);
  node.dh = SkinIntAttr(element, "dh", 0);
  node.space = SkinIntAttr(element, "space", 5);
  node.orient = SkinAttr(element, "orient", "v");
  node.foreColour = SkinAttr(element, "force_colour");
  node.backColour = SkinAttr(element, "back_colour");
  node.fontName = SkinAttr(element, "font_name");
  node.title = SkinAttr(element, "title");
  node.iconFile = SkinAttr(element, "icon_file");
  node.gifFile = SkinAttr(element, "gif_file");
  node.maskFile = SkinAttr(element, "mask_file");
  node.location = ParseLocation(SkinAttr(element, "location"));
  for (const wxXmlNode* child : ElementChildren(element)) {
    Kind kind;
    if (KindOf(child->GetName(), kind)) node.children.push_back(Read(child));
  }
  return node;
}

void LayoutNode::Layout(const wxSize& available) {
  if (kind == Kind::View) {
    computedWidth = width;
    computedHeight = height;
  } else {
    width = available.x;
    height = available.y;
  }
  int32_t rw = width, rh = height;
  const bool horizontal = FlowsHorizontally();

  for (LayoutNode& child : children) {
    if (dw > 0) child.computedWidth = dw;
    if (child.width > 0) {
      child.computedWidth = child.width;
      child.percentW = 0;
    }
    if (child.computedWidth > 0 && horizontal) rw = Clamp32(int64_t{rw} - child.computedWidth);
    if (dh > 0) child.computedHeight = dh;
    if (child.height > 0) {
      child.computedHeight = child.height;
      child.percentH = 0;
    }
    if (child.computedHeight > 0 && !horizontal) rh = Clamp32(int64_t{rh} - child.computedHeight);
  }

  for (LayoutNode& child : children) {
    if (child.percentW > 0) {
      child.computedWidth = Share(rw, child.percentW);
      rw = Clamp32(int64_t{rw} - child.computedWidth);
    }
    if (child.percentH > 0) {
      child.computedHeight = Share(rh, child.percentH);
      rh = Clamp32(int64_t{rh} - child.computedHeight);
    }
  }

  int64_t px = int64_t{computedX} + (dx > 0 ? dx : 0);
  int64_t py = int64_t{computedY} + (dy > 0 ? dy : 0);
  for (size_t i = 0; i < children.size(); ++i) {
    LayoutNode& child = children[i];
    const int64_t gap = int64_t{space} * Clamp32(static_cast<int64_t>(std::min<size_t>(i, INT32_MAX)));
    if (horizontal) {
      child.computedX = Clamp32(px + gap);
      child.computedY = Clamp32(py);
      px = Clamp32(px + child.computedWidth);
    } else {
      child.computedX = Clamp32(px);
      child.computedY = Clamp32(py + gap);
      py = Clamp32(py + child.computedHeight);
    }
    if (child.x > 0) child.computedX = child.x;
    if (child.y > 0) child.computedY = child.y;
  }

  for (LayoutNode& child : children) child.Layout(wxSize(child.computedWidth, child.computedHeight));
}

}  // namespace tweaks
