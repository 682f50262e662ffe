// Image operations that compose skin bitmaps. Holds no data; plug-ins call
// these through the object the host gives them, so the order of the virtual
// operations is part of the plug-in interface.
#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/string.h>

#include <cstdint>
#include <vector>

namespace tweaks {

class SkinFunction {
 public:
  // scale true: `src` scaled to `size` (false, `dst` untouched, when `src` is
  // invalid). scale false: nine-grid stretch, see NineGrid; an invalid `src`
  // gives a wholly transparent bitmap. Both modes return false and leave `dst`
  // untouched when `size` is not allowed (see StretchSizeAllowed).
  virtual bool StretchBitmap(wxBitmap& dst, const wxBitmap& src, const wxSize& size, bool scale);
  // Draws `src` onto `dst` at `pos`, mask honoured, when `src` is valid.
  virtual void DrawBitmap(wxBitmap& dst, const wxBitmap& src, const wxPoint& pos);
  // Draws `text` at (x, y); returns (x, y) moved on by the text's height when
  // `vertical`, else by its width. An invalid font or colour leaves the
  // drawing context's own in use.
  virtual wxPoint DrawText(wxBitmap& dst, const wxString& text, int x, int y, const wxFont& font,
                           wxColour colour, bool vertical);
  // Draws `text` line by line, each line wrapped at `maxChars` (see WrapLine),
  // every piece starting at x, one under the other.
  virtual void DrawWrappedText(wxBitmap& dst, const wxString& text, int maxChars, int x, int y,
                               const wxFont& font, wxColour colour);
  virtual ~SkinFunction();

  // Nine-grid stretch of `src` to `size`: corners, tiled edges and tiled
  // centre with cells of size/3. Pixels in the mask colour are not copied;
  // cells outside the source are skipped. Targets smaller than 3 x 3 are
  // scaled instead (the tiling cannot advance with empty cells). An invalid
  // `src` gives a target of nothing but the mask colour (black).
  // An invalid image when `size` is not allowed.
  static wxImage NineGrid(const wxImage& src, const wxSize& size);

  // Stretch targets: both sides positive, neither above kMaxStretchSide, and
  // at most kMaxStretchPixels in all (larger images cannot be made at all).
  static constexpr int kMaxStretchSide = 16384;
  static constexpr int64_t kMaxStretchPixels = int64_t{1} << 26;
  static bool StretchSizeAllowed(const wxSize& size);

  // Pieces one line of text is drawn in: while longer than `maxChars`, cut at
  // the last space before position `maxChars` (the space stays at the start of
  // the rest) or, without one, after `maxChars` characters. `maxChars` below 1
  // is treated as 1.
  static std::vector<wxString> WrapLine(const wxString& line, int maxChars);

  // `text` split at newlines with empty lines dropped.
  static std::vector<wxString> SplitLines(const wxString& text);
};

}  // namespace tweaks
