#include "skin/button_bitmaps.h"

#include <wx/bmpbuttn.h>

#include "skin/colour_table.h"
#include "skin/font_table.h"
#include "skin/skin_function.h"
#include "skin/skin_loaders.h"
#include "skin/skin_xml.h"

namespace tweaks {
namespace {

wxBitmap Copy(const wxBitmap& bitmap) {
  if (!bitmap.IsOk()) return wxBitmap();
  return bitmap.GetSubBitmap(wxRect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()));
}

// Draws `layer` onto `state`; a state that has no bitmap yet (no background
// under the button) takes a copy of the layer instead of staying empty.
void DrawOnto(wxBitmap& state, const wxBitmap& layer, const wxPoint& pos, SkinFunction& function) {
  if (!layer.IsOk()) return;
  if (!state.IsOk()) {
    state = Copy(layer);
    return;
  }
  function.DrawBitmap(state, layer, pos);
}

struct StateStyle {
  wxFont font;
  wxColour colour;
};

}  // namespace

ButtonBands ButtonBands::Cut(const wxBitmap& strip) {
  ButtonBands bands;
  if (!strip.IsOk()) return bands;
  const int hb = strip.GetHeight() / 4;
  if (hb <= 0) return bands;
  for (int i = 0; i < 4; ++i) bands.band[i] = strip.GetSubBitmap(wxRect(0, i * hb, strip.GetWidth(), hb));
  return bands;
}

ButtonBitmaps ButtonBitmaps::Build(const wxXmlNode* button, const wxBitmap& crop, const wxSize& size,
                                   const FontTable& fonts, const ColourTable& colours,
                                   SkinFunction& function) {
  ButtonBitmaps b;
  wxBitmap* all[] = {&b.normal, &b.selected, &b.focus, &b.disabled, &b.hover};
  for (const wxXmlNode* layer : ElementChildren(button)) {
    const wxString type = SkinAttr(layer, "type");
    if (type.IsSameAs("backbitmap", false)) {
      for (wxBitmap* state : all) *state = Copy(crop);
      const wxString file = SkinAttr(layer, "file");
      if (file.IsSameAs("default", false)) continue;
      wxBitmap strip;
      if (!LoadSkinBitmap(file, strip)) continue;
      ButtonBands bands = ButtonBands::Cut(strip);
      wxString expand;
      if (layer->GetAttribute("expand_type", &expand)) {
        for (wxBitmap& band : bands.band) {
          wxBitmap stretched;
          if (function.StretchBitmap(stretched, band, size, expand.IsSameAs("B", false))) band = stretched;
        }
      }
      const wxPoint origin(0, 0);
      DrawOnto(b.normal, bands.band[0], origin, function);
      DrawOnto(b.focus, bands.band[1], origin, function);
      DrawOnto(b.hover, bands.band[1], origin, function);
      DrawOnto(b.selected, bands.band[2], origin, function);
      DrawOnto(b.disabled, bands.band[3], origin, function);
    } else if (type.IsSameAs("bitmap", false)) {
      wxBitmap image;
      if (!LoadSkinBitmap(SkinAttr(layer, "file"), image)) continue;
      const wxPoint pos(SkinIntAttr(layer, "x", 0), SkinIntAttr(layer, "y", 0));
      for (wxBitmap* state : all) DrawOnto(*state, image, pos, function);
    } else if (type.IsSameAs("text", false)) {
      const TextAttributes attrs = ReadTextAttributes(layer);
      StateStyle base;
      fonts.FindFont(attrs.fontName, base.font);
      colours.FindColour(attrs.colourName, base.colour);
      // Same order as `all`: normal, selected, focus, disabled, hover.
      StateStyle styles[5] = {base, base, base, base, base};
      static const char* const kStateNames[5] = {"default", "selected", "focused", "disabled", "hover"};
      for (const wxXmlNode* child : ElementChildren(layer)) {
        for (int s = 0; s < 5; ++s) {
          if (!child->GetName().IsSameAs(kStateNames[s], false)) continue;
          fonts.FindFont(SkinAttr(child, "font_name", "default"), styles[s].font);
          colours.FindColour(SkinAttr(child, "colour_name", "default"), styles[s].colour);
        }
      }
      const wxString text = TranslateSkinText(attrs.text);
      for (int s = 0; s < 5; ++s) {
        function.DrawText(*all[s], text, attrs.x, attrs.y, styles[s].font, styles[s].colour, false);
      }
    }
  }
  return b;
}

void ButtonBitmaps::SetOn(wxBitmapButton* target) const {
  if (target == nullptr) return;
  if (normal.IsOk()) target->SetBitmapLabel(normal);
  if (selected.IsOk()) target->SetBitmapPressed(selected);
  if (focus.IsOk()) target->SetBitmapFocus(focus);
  if (disabled.IsOk()) target->SetBitmapDisabled(disabled);
  if (hover.IsOk()) target->SetBitmapCurrent(hover);
}

}  // namespace tweaks
