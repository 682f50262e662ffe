#include "skin/bitmap_list.h"

#include "skin/skin_loaders.h"
#include "skin/skin_xml.h"

namespace tweaks {
namespace {

// A sub-rectangle that reaches outside the bitmap would make the toolkit
// assert; the part inside is used, and nothing when there is none.
wxBitmap CutBitmap(const wxBitmap& bitmap, const wxRect& wanted) {
  wxRect rect = wanted.Intersect(wxRect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()));
  if (!bitmap.IsOk() || rect.IsEmpty()) return wxBitmap();
  return bitmap.GetSubBitmap(rect);
}

}  // namespace

BitmapList::BitmapList(const wxString& file) {
  wxXmlDocument doc;
  if (LoadSkinXml(file, doc)) Read(doc);
}

BitmapList::BitmapList(const wxXmlDocument& doc) { Read(doc); }

BitmapList::~BitmapList() = default;

void BitmapList::Read(const wxXmlDocument& doc) {
  for (const wxXmlNode* section : SkinSections(doc, "bitmaplist")) {
    for (const wxXmlNode* element : ElementChildren(section)) {
      BitmapEntry entry{SkinAttr(element, "id"), wxBitmap()};
      for (const wxXmlNode* layer : ElementChildren(element)) ApplyLayer(layer, entry.bitmap);
      entries_.push_back(entry);
    }
  }
}

void BitmapList::PlaceLayer(wxBitmap& bitmap, const wxBitmap& layer, const wxXmlNode* node) {
  if (!layer.IsOk()) return;
  if (!bitmap.IsOk()) {
    // A private copy: later layers draw onto it.
    bitmap = layer.GetSubBitmap(wxRect(0, 0, layer.GetWidth(), layer.GetHeight()));
    return;
  }
  function_.DrawBitmap(bitmap, layer, wxPoint(SkinIntAttr(node, "x", 0), SkinIntAttr(node, "y", 0)));
}

void BitmapList::ApplyLayer(const wxXmlNode* layer, wxBitmap& bitmap) {
  const wxString type = SkinAttr(layer, "type");
  if (type.IsSameAs("bitmap", false)) {
    wxBitmap image;
    if (!LoadSkinBitmap(SkinAttr(layer, "file"), image)) return;
    wxString cut;
    if (layer->GetAttribute("cut", &cut) && cut.IsSameAs("Y", false)) {
      image = CutBitmap(image, wxRect(SkinIntAttr(layer, "cut_x", 0), SkinIntAttr(layer, "cut_y", 0),
                                      SkinIntAttr(layer, "cut_w", 0), SkinIntAttr(layer, "cut_h", 0)));
      if (!image.IsOk()) return;
    }
    wxString expand;
    if (layer->GetAttribute("expand_type", &expand)) {
      wxSize size(SkinIntAttr(layer, "width", image.GetWidth()),
                  SkinIntAttr(layer, "height", image.GetHeight()));
      wxBitmap stretched;
      if (function_.StretchBitmap(stretched, image, size, expand.IsSameAs("B", false))) image = stretched;
    }
    PlaceLayer(bitmap, image, layer);
  } else if (type.IsSameAs("icon", false)) {
    wxIcon icon;
    if (!LoadSkinIcon(SkinAttr(layer, "file"), icon, SkinIntAttr(layer, "size", 16))) return;
    wxBitmap image;
    image.CopyFromIcon(icon);
    PlaceLayer(bitmap, image, layer);
  } else if (type.IsSameAs("text", false) || type.IsSameAs("multi_text", false)) {
    if (!bitmap.IsOk()) return;
    TextAttributes attrs = ReadTextAttributes(layer);
    wxFont font;
    wxColour colour;
    fonts_.FindFont(attrs.fontName, font);
    colours_.FindColour(attrs.colourName, colour);
    const wxString text = TranslateSkinText(attrs.text);
    if (type.IsSameAs("text", false)) {
      function_.DrawText(bitmap, text, attrs.x, attrs.y, font, colour, false);
      return;
    }
    const bool vertical = SkinAttr(layer, "direction", "v").IsSameAs("v", false);
    const int space = SkinIntAttr(layer, "space", 0);
    wxPoint pos(attrs.x, attrs.y);
    for (const wxString& line : SkinFunction::SplitLines(text)) {
      pos = function_.DrawText(bitmap, line, pos.x, pos.y, font, colour, vertical);
      if (vertical) {
        pos.y += space;
      } else {
        pos.x += space;
      }
    }
  }
}

bool BitmapList::Get(const wxString& id, wxBitmap& out) const {
  for (const BitmapEntry& entry : entries_) {
    if (entry.id.IsSameAs(id, false)) {
      out = entry.bitmap;
      return true;
    }
  }
  return false;
}

}  // namespace tweaks
