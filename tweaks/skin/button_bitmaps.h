// The five state bitmaps of a skinned bitmap button, composed from one
// element of the "button_bitmaps" section.
#pragma once

#include <wx/bitmap.h>
#include <wx/gdicmn.h>
#include <wx/xml/xml.h>

class wxBitmapButton;

namespace tweaks {

class ColourTable;
class FontTable;
class SkinFunction;

struct ButtonBitmaps {
  wxBitmap normal;
  wxBitmap selected;  // pressed
  wxBitmap focus;
  wxBitmap disabled;
  wxBitmap hover;

  // Applies the layers of `button` in order. `crop` is the piece of the view's
  // background under the button, `size` the button's computed size.
  static ButtonBitmaps Build(const wxXmlNode* button, const wxBitmap& crop, const wxSize& size,
                             const FontTable& fonts, const ColourTable& colours, SkinFunction& function);

  // Sets every valid state bitmap on `target`: normal first, then selected,
  // focus, disabled and hover.
  void SetOn(wxBitmapButton* target) const;
};

// Four bands of height H / 4 cut from the top of `strip`: normal, focus and
// hover, selected, disabled. Rows below 4 x (H / 4) belong to no band.
struct ButtonBands {
  wxBitmap band[4];
  static ButtonBands Cut(const wxBitmap& strip);
};

}  // namespace tweaks
