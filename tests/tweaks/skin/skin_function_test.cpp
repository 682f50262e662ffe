// Nine-grid and scaling stretch, text drawing and word-wrapped text.
#include "skin/skin_function.h"

#include <gtest/gtest.h>
#include <wx/dcmemory.h>

#include "skin_test_support.h"

using namespace tweaks;

namespace {

// Every source pixel tells where it came from: red = 2x+1, green = 4y+1.
wxImage CoordinateImage(int w, int h) {
  wxImage image(w, h, false);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.SetRGB(x, y, 2 * x + 1, 4 * y + 1, 7);
  return image;
}

// The source pixel a result pixel was copied from.
wxPoint SourceOf(const wxImage& result, int x, int y) {
  return wxPoint((result.GetRed(x, y) - 1) / 2, (result.GetGreen(x, y) - 1) / 4);
}

}  // namespace

TEST(NineGrid, TilesEdgesAndLetsTheRightCornerCoverTheLastTile) {
  // 60 x 30 to 80 x 36: cells 26 x 12, top tiles at x = 26 and 52, the
  // top-right corner at x = 54 overwrites all of the second tile but two columns.
  wxImage result = SkinFunction::NineGrid(CoordinateImage(60, 30), wxSize(80, 36));
  ASSERT_EQ(result.GetSize(), wxSize(80, 36));
  EXPECT_EQ(SourceOf(result, 0, 0), wxPoint(0, 0));
  EXPECT_EQ(SourceOf(result, 25, 11), wxPoint(25, 11));
  EXPECT_EQ(SourceOf(result, 26, 0), wxPoint(26, 0));
  EXPECT_EQ(SourceOf(result, 52, 3), wxPoint(26, 3));
  EXPECT_EQ(SourceOf(result, 53, 3), wxPoint(27, 3));
  EXPECT_EQ(SourceOf(result, 54, 3), wxPoint(34, 3));
  EXPECT_EQ(SourceOf(result, 79, 11), wxPoint(59, 11));
  EXPECT_EQ(SourceOf(result, 0, 12), wxPoint(0, 12));    // left edge
  EXPECT_EQ(SourceOf(result, 30, 20), wxPoint(30, 20));  // centre
  EXPECT_EQ(SourceOf(result, 56, 23), wxPoint(36, 23));  // right edge
  EXPECT_EQ(SourceOf(result, 0, 24), wxPoint(0, 18));    // bottom-left
  EXPECT_EQ(SourceOf(result, 40, 30), wxPoint(40, 24));  // bottom edge
  EXPECT_EQ(SourceOf(result, 79, 35), wxPoint(59, 29));  // bottom-right
  ASSERT_TRUE(result.HasMask());                         // no source mask: black is the mask colour
  EXPECT_EQ(result.GetMaskRed(), 0);
  EXPECT_EQ(result.GetMaskGreen(), 0);
  EXPECT_EQ(result.GetMaskBlue(), 0);
}

TEST(NineGrid, CellsWiderThanHalfTheSourceLeaveOnlyTheCorners) {
  // 30 x 30 to 100 x 40: cells 33 x 13 do not fit the source.
  wxImage result = SkinFunction::NineGrid(CoordinateImage(30, 30), wxSize(100, 40));
  ASSERT_EQ(result.GetSize(), wxSize(100, 40));
  EXPECT_EQ(SourceOf(result, 0, 0), wxPoint(0, 0));
  EXPECT_EQ(SourceOf(result, 99, 39), wxPoint(29, 29));
  EXPECT_EQ(SourceOf(result, 99, 0), wxPoint(29, 0));
  EXPECT_TRUE(PixelIs(result, 50, 0, 0, 0, 0));   // top edge skipped
  EXPECT_TRUE(PixelIs(result, 50, 20, 0, 0, 0));  // centre skipped
}

TEST(NineGrid, MaskedSourcePixelsAreNotCopied) {
  wxImage source = SolidImage(30, 30, 200, 10, 10);
  source.SetRGB(wxRect(0, 0, 5, 5), 255, 0, 255);
  source.SetMaskColour(255, 0, 255);
  wxImage result = SkinFunction::NineGrid(source, wxSize(36, 36));
  EXPECT_EQ(result.GetMaskRed(), 255);
  EXPECT_TRUE(PixelIs(result, 2, 2, 255, 0, 255));  // masked corner stays transparent
  EXPECT_TRUE(PixelIs(result, 20, 20, 200, 10, 10));
}

TEST(StretchBitmap, RefusesEmptyTargetsAndScalingNothing) {
  SkinFunction skin;
  wxBitmap src(SolidImage(20, 10, 10, 200, 30));
  wxBitmap dst(SolidImage(4, 4, 1, 2, 3));
  EXPECT_FALSE(skin.StretchBitmap(dst, src, wxSize(0, 10), true));
  EXPECT_FALSE(skin.StretchBitmap(dst, src, wxSize(10, -1), false));
  EXPECT_FALSE(skin.StretchBitmap(dst, wxBitmap(), wxSize(10, 10), true));
  EXPECT_EQ(dst.GetSize(), wxSize(4, 4));  // untouched

  // Nine-grid from nothing: every cell is skipped, the result is all mask.
  ASSERT_TRUE(skin.StretchBitmap(dst, wxBitmap(), wxSize(10, 8), false));
  ASSERT_EQ(dst.GetSize(), wxSize(10, 8));
  ASSERT_NE(dst.GetMask(), nullptr);
  wxImage blank = dst.ConvertToImage();
  EXPECT_TRUE(InkBox(blank, blank.GetMaskRed(), blank.GetMaskGreen(), blank.GetMaskBlue()).IsEmpty());

  ASSERT_TRUE(skin.StretchBitmap(dst, src, wxSize(40, 25), true));
  EXPECT_TRUE(PixelIs(dst.ConvertToImage(), 39, 24, 10, 200, 30));
  ASSERT_TRUE(skin.StretchBitmap(dst, src, wxSize(2, 2), false));  // too small to tile: scaled
  EXPECT_EQ(dst.GetSize(), wxSize(2, 2));
}

TEST(StretchBitmap, RefusesTargetsLargerThanAnyScreen) {
  // A skin asking for 100000 x 100000 once reached wxImage::Scale, which
  // cannot make an image of 30 GB and asserts.
  SkinFunction skin;
  wxBitmap src(SolidImage(20, 10, 10, 200, 30));
  wxBitmap dst(SolidImage(4, 4, 1, 2, 3));
  for (bool scale : {true, false}) {
    EXPECT_FALSE(skin.StretchBitmap(dst, src, wxSize(100000, 100000), scale));
    EXPECT_FALSE(skin.StretchBitmap(dst, src, wxSize(2, 100000), scale));
    EXPECT_FALSE(skin.StretchBitmap(dst, src, wxSize(16384, 16384), scale));  // 256 Mi pixels
    EXPECT_FALSE(skin.StretchBitmap(dst, wxBitmap(), wxSize(100000, 100000), scale));
  }
  EXPECT_EQ(dst.GetSize(), wxSize(4, 4));  // untouched
  EXPECT_FALSE(SkinFunction::NineGrid(src.ConvertToImage(), wxSize(100000, 100000)).IsOk());
  EXPECT_FALSE(SkinFunction::NineGrid(src.ConvertToImage(), wxSize(1, 100000)).IsOk());
  // The largest side still allowed, in a thin strip.
  ASSERT_TRUE(skin.StretchBitmap(dst, src, wxSize(16384, 4), true));
  EXPECT_EQ(dst.GetSize(), wxSize(16384, 4));
}

TEST(DrawText, ReturnsPositionMovedByTheTextExtent) {
  SkinFunction skin;
  wxBitmap bitmap(SolidImage(200, 60, 255, 255, 255));
  wxFont font(12, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD);
  wxCoord w = 0, h = 0;
  wxMemoryDC(bitmap).GetTextExtent("Hello", &w, &h, nullptr, nullptr, &font);
  EXPECT_EQ(skin.DrawText(bitmap, "Hello", 10, 5, font, *wxRED, false), wxPoint(10 + w, 5));
  EXPECT_EQ(skin.DrawText(bitmap, "Hello", 10, 5, font, *wxRED, true), wxPoint(10, 5 + h));
  wxRect ink = InkBox(bitmap.ConvertToImage(), 255, 255, 255);
  EXPECT_TRUE(wxRect(10, 5, w, h).Contains(ink)) << ink.x << "," << ink.y;
  wxBitmap invalid;
  EXPECT_EQ(skin.DrawText(invalid, "Hello", 3, 4, font, *wxRED, true), wxPoint(3, 4));
}

TEST(WrapLine, CutsAtTheLastSpaceBeforeTheLimitOrHard) {
  auto pieces = SkinFunction::WrapLine("alpha beta gamma", 10);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0], "alpha");
  EXPECT_EQ(pieces[1], " beta");
  EXPECT_EQ(pieces[2], " gamma");

  pieces = SkinFunction::WrapLine("abcdefghijkl", 5);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0], "abcde");
  EXPECT_EQ(pieces[1], "fghij");
  EXPECT_EQ(pieces[2], "kl");

  EXPECT_EQ(SkinFunction::WrapLine("abc", 0).size(), 3u);  // below 1 counts as 1

  auto lines = SkinFunction::SplitLines("one\n\ntwo\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "two");
}

TEST(DrawWrappedText, EachPieceStartsAtTheSameXOnTheNextLine) {
  SkinFunction skin;
  wxBitmap bitmap(SolidImage(300, 200, 255, 255, 255));
  wxFont font(12, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL);
  skin.DrawWrappedText(bitmap, "alpha beta gamma\n\nend", 10, 20, 30, font, *wxBLACK);
  wxImage image = bitmap.ConvertToImage();
  EXPECT_EQ(InkRowBands(image, 255, 255, 255), 4);  // alpha, beta, gamma, end
  wxRect ink = InkBox(image, 255, 255, 255);
  EXPECT_GE(ink.x, 20);
  EXPECT_LT(ink.x, 30);  // "alpha" starts at x; the others are indented by their space
  EXPECT_GE(ink.y, 30);
  EXPECT_LT(ink.width, 80);  // never side by side
}
