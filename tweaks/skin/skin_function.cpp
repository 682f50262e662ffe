#include "skin/skin_function.h"

#include <wx/dcmemory.h>

#include <algorithm>

namespace tweaks {
namespace {

struct Cell {
  int sx, sy, w, h;
};

class GridPainter {
 public:
  GridPainter(const wxImage& src, wxImage& dst) : src_(src), dst_(dst) {
    masked_ = src.HasMask();
    if (masked_) {
      mr_ = src.GetMaskRed();
      mg_ = src.GetMaskGreen();
      mb_ = src.GetMaskBlue();
    }
  }

  // Edges and centre: a cell reaching outside the source is skipped.
  void Paste(const Cell& cell, int tx, int ty) {
    if (cell.sx < 0 || cell.sy < 0 || cell.sx + cell.w > src_.GetWidth() ||
        cell.sy + cell.h > src_.GetHeight())
      return;
    Copy(cell, tx, ty);
  }

  // Corners: the part of the cell that lies inside the source is copied, so a
  // target much larger than the source still gets its four corners.
  void PasteClipped(const Cell& cell, int tx, int ty) { Copy(cell, tx, ty); }

 private:
  void Copy(const Cell& cell, int tx, int ty) {
    const bool alpha = src_.HasAlpha() && dst_.HasAlpha();
    for (int j = 0; j < cell.h; ++j) {
      int sy = cell.sy + j, y = ty + j;
      if (sy < 0 || sy >= src_.GetHeight() || y < 0 || y >= dst_.GetHeight()) continue;
      for (int i = 0; i < cell.w; ++i) {
        int sx = cell.sx + i, x = tx + i;
        if (sx < 0 || sx >= src_.GetWidth() || x < 0 || x >= dst_.GetWidth()) continue;
        unsigned char r = src_.GetRed(sx, sy), g = src_.GetGreen(sx, sy), b = src_.GetBlue(sx, sy);
        if (masked_ && r == mr_ && g == mg_ && b == mb_) continue;
        dst_.SetRGB(x, y, r, g, b);
        if (alpha) dst_.SetAlpha(x, y, src_.GetAlpha(sx, sy));
      }
    }
  }

  const wxImage& src_;
  wxImage& dst_;
  bool masked_ = false;
  unsigned char mr_ = 0, mg_ = 0, mb_ = 0;
};

}  // namespace

SkinFunction::~SkinFunction() = default;

bool SkinFunction::StretchSizeAllowed(const wxSize& size) {
  return size.x > 0 && size.y > 0 && size.x <= kMaxStretchSide && size.y <= kMaxStretchSide &&
         static_cast<int64_t>(size.x) * size.y <= kMaxStretchPixels;
}

wxImage SkinFunction::NineGrid(const wxImage& src, const wxSize& size) {
  const int w = size.x, h = size.y;
  if (!StretchSizeAllowed(size)) return wxImage();
  if (src.IsOk() && (w < 3 || h < 3)) return src.Scale(w, h, wxIMAGE_QUALITY_NORMAL);

  // Uncopied pixels keep the mask colour and so stay transparent.
  unsigned char mr = 0, mg = 0, mb = 0;
  if (src.IsOk() && src.HasMask()) {
    mr = src.GetMaskRed();
    mg = src.GetMaskGreen();
    mb = src.GetMaskBlue();
  }
  wxImage dst(w, h, false);
  dst.SetRGB(wxRect(0, 0, w, h), mr, mg, mb);
  if (!src.IsOk()) {  // no cell lies inside an empty source
    dst.SetMaskColour(mr, mg, mb);
    return dst;
  }
  if (src.HasAlpha()) {
    dst.InitAlpha();
    std::fill_n(dst.GetAlpha(), static_cast<size_t>(w) * h, 0);
  }

  const int W = src.GetWidth(), H = src.GetHeight(), c = w / 3, d = h / 3;
  GridPainter paint(src, dst);
  paint.PasteClipped({0, 0, c, d}, 0, 0);
  for (int x = c; x < w - c; x += c) paint.Paste({c, 0, c, d}, x, 0);
  paint.PasteClipped({W - c, 0, c, d}, w - c, 0);
  for (int y = d; y < h - d; y += d) paint.Paste({0, d, c, d}, 0, y);
  for (int x = c; x < w - c; x += c)
    for (int y = d; y < h - d; y += d) paint.Paste({c, d, c, d}, x, y);
  for (int y = d; y < h - d; y += d) paint.Paste({W - c, d, c, d}, w - c, y);
  paint.PasteClipped({0, H - d, c, d}, 0, h - d);
  for (int x = c; x < w - c; x += c) paint.Paste({c, H - d, c, d}, x, h - d);
  paint.PasteClipped({W - c, H - d, c, d}, w - c, h - d);

  dst.SetMaskColour(mr, mg, mb);
  return dst;
}

bool SkinFunction::StretchBitmap(wxBitmap& dst, const wxBitmap& src, const wxSize& size, bool scale) {
  // Both modes refuse an empty target: there is nothing to make of it, and
  // the nine-grid tiling could not advance.
  // A skin file asking for more than any screen shows (100000 x 100000) is
  // refused too, before an image of that size is ever made.
  if (!StretchSizeAllowed(size)) return false;
  if (scale) {
    if (!src.IsOk()) return false;
    dst = wxBitmap(src.ConvertToImage().Scale(size.x, size.y, wxIMAGE_QUALITY_NORMAL));
    return true;
  }
  if (!src.IsOk()) {  // every cell is skipped: a wholly transparent result
    dst = wxBitmap(NineGrid(wxImage(), size));
    return true;
  }
  if (src.GetWidth() == size.x && src.GetHeight() == size.y) {
    dst = src.GetSubBitmap(wxRect(0, 0, size.x, size.y));
    return true;
  }
  dst = wxBitmap(NineGrid(src.ConvertToImage(), size));
  return true;
}

void SkinFunction::DrawBitmap(wxBitmap& dst, const wxBitmap& src, const wxPoint& pos) {
  if (!src.IsOk() || !dst.IsOk()) return;
  wxMemoryDC dc(dst);
  if (!dc.IsOk()) return;
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  dc.DrawBitmap(src, pos, true);
}

// The colour goes by value: plug-ins call these virtuals through the host's object, so the
// signature stays fixed.
wxPoint SkinFunction::DrawText(wxBitmap& dst, const wxString& text, int x, int y, const wxFont& font,
                               wxColour colour,  // NOLINT(performance-unnecessary-value-param)
                               bool vertical) {
  wxPoint result(x, y);
  if (!dst.IsOk()) return result;
  wxMemoryDC dc(dst);
  if (!dc.IsOk()) return result;
  if (font.IsOk()) dc.SetFont(font);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  if (colour.IsOk()) dc.SetTextForeground(colour);
  dc.DrawText(text, x, y);
  wxCoord w = 0, h = 0;
  dc.GetTextExtent(text, &w, &h);
  if (vertical) {
    result.y += h;
  } else {
    result.x += w;
  }
  return result;
}

std::vector<wxString> SkinFunction::SplitLines(const wxString& text) {
  std::vector<wxString> lines;
  wxString current;
  for (wxUniChar ch : text) {
    if (ch == '\n') {
      if (!current.empty()) lines.push_back(current);
      current.clear();
    } else {
      current += ch;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::vector<wxString> SkinFunction::WrapLine(const wxString& line, int maxChars) {
  const size_t limit = static_cast<size_t>(std::max(maxChars, 1));
  std::vector<wxString> pieces;
  wxString rest = line;
  while (rest.length() > limit) {
    size_t cut = 0;
    for (size_t k = limit - 1; k >= 1; --k) {
      if (rest[k] == ' ') {
        cut = k;
        break;
      }
    }
    if (cut > 0) {
      pieces.push_back(rest.Left(cut));
      rest = rest.Mid(cut);  // the space stays at the start of the rest
    } else {
      pieces.push_back(rest.Left(limit));
      rest = rest.Mid(limit);
    }
  }
  pieces.push_back(rest);
  return pieces;
}

void SkinFunction::DrawWrappedText(wxBitmap& dst, const wxString& text, int maxChars, int x, int y,
                                   const wxFont& font,
                                   wxColour colour) {  // NOLINT(performance-unnecessary-value-param)
  wxPoint pos(x, y);
  for (const wxString& line : SplitLines(text)) {
    for (const wxString& piece : WrapLine(line, maxChars)) {
      pos = DrawText(dst, piece, x, pos.y, font, colour, true);
    }
  }
}

}  // namespace tweaks
