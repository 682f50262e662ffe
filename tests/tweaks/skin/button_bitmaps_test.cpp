// Button state bitmaps: band cuts, the background crop, bitmap and text layers.
#include "skin/button_bitmaps.h"

#include <gtest/gtest.h>
#include <wx/sstream.h>

#include "skin/colour_table.h"
#include "skin/font_table.h"
#include "skin/skin_function.h"
#include "skin/skin_xml.h"
#include "skin_test_support.h"

using namespace tweaks;

namespace {

// A 30 x 42 strip: rows 0-9 red, 10-19 green, 20-29 blue, 30-39 yellow,
// 40-41 magenta (in no band).
wxImage Strip() {
  wxImage strip = SolidImage(30, 42, 255, 0, 255);
  strip.SetRGB(wxRect(0, 0, 30, 10), 255, 0, 0);
  strip.SetRGB(wxRect(0, 10, 30, 10), 0, 255, 0);
  strip.SetRGB(wxRect(0, 20, 30, 10), 0, 0, 255);
  strip.SetRGB(wxRect(0, 30, 30, 10), 255, 255, 0);
  return strip;
}

struct Built {
  wxXmlDocument doc;
  ButtonBitmaps bitmaps;
};

Built Build(const char* xml, const wxBitmap& crop, const wxSize& size) {
  Built built;
  wxStringInputStream stream(wxString::FromUTF8(xml));
  EXPECT_TRUE(built.doc.Load(stream));
  FontTable fonts(built.doc);
  ColourTable colours(built.doc);
  SkinFunction function;
  built.bitmaps = ButtonBitmaps::Build(ElementChildren(FirstSkinSection(built.doc, "button_bitmaps")).at(0),
                                       crop, size, fonts, colours, function);
  return built;
}

bool Centre(const wxBitmap& bitmap, unsigned char r, unsigned char g, unsigned char b) {
  wxImage image = bitmap.ConvertToImage();
  return PixelIs(image, image.GetWidth() / 2, image.GetHeight() / 2, r, g, b);
}

}  // namespace

TEST(ButtonBands, FourBandsOfAQuarterTheHeight) {
  ButtonBands bands = ButtonBands::Cut(wxBitmap(Strip()));
  const unsigned char colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(bands.band[i].GetSize(), wxSize(30, 10)) << i;
    wxImage image = bands.band[i].ConvertToImage();
    EXPECT_TRUE(PixelIs(image, 0, 0, colours[i][0], colours[i][1], colours[i][2])) << i;
    EXPECT_TRUE(PixelIs(image, 29, 9, colours[i][0], colours[i][1], colours[i][2])) << i;
  }
  EXPECT_FALSE(ButtonBands::Cut(wxBitmap(SolidImage(5, 3, 1, 1, 1))).band[0].IsOk());
}

TEST(ButtonBitmaps, BackBitmapBandsGoToTheirStates) {
  TempSkin skin;
  skin.SavePng("btn.png", Strip());
  wxBitmap crop(SolidImage(30, 12, 9, 9, 9));
  Built b = Build(
      "<skin><button_bitmaps><b id=\"x\"><l type=\"BackBitmap\" file=\"btn.png\"/></b>"
      "</button_bitmaps></skin>",
      crop, wxSize(30, 12));
  EXPECT_TRUE(Centre(b.bitmaps.normal, 255, 0, 0));
  EXPECT_TRUE(Centre(b.bitmaps.focus, 0, 255, 0));
  EXPECT_TRUE(Centre(b.bitmaps.hover, 0, 255, 0));
  EXPECT_TRUE(Centre(b.bitmaps.selected, 0, 0, 255));
  EXPECT_TRUE(Centre(b.bitmaps.disabled, 255, 255, 0));
  // The crop stays below the 10-pixel band.
  EXPECT_TRUE(PixelIs(b.bitmaps.normal.ConvertToImage(), 3, 11, 9, 9, 9));

  Built stretched = Build(
      "<skin><button_bitmaps><b id=\"x\"><l type=\"backbitmap\" file=\"btn.png\" "
      "expand_type=\"B\"/></b></button_bitmaps></skin>",
      crop, wxSize(30, 12));
  EXPECT_TRUE(PixelIs(stretched.bitmaps.selected.ConvertToImage(), 3, 11, 0, 0, 255));

  Built plain = Build(
      "<skin><button_bitmaps><b id=\"x\"><l type=\"backbitmap\" file=\"Default\"/>"
      "<l type=\"bitmap\" file=\"btn.png\" x=\"20\" y=\"-35\"/></b></button_bitmaps></skin>",
      crop, wxSize(30, 12));
  wxImage normal = plain.bitmaps.normal.ConvertToImage();
  EXPECT_TRUE(PixelIs(normal, 3, 3, 9, 9, 9));
  EXPECT_TRUE(PixelIs(normal, 25, 0, 255, 255, 0));  // row 35 of the strip
  EXPECT_TRUE(PixelIs(plain.bitmaps.disabled.ConvertToImage(), 25, 6, 255, 0, 255));
}

TEST(ButtonBitmaps, TextStatesTakeTheirOwnColourAndFont) {
  const char* xml =
      "<skin><font><small size=\"8\" italic=\"false\"/><default size=\"30\" italic=\"false\"/></font>"
      "<color><red RGB=\"0000FF\"/><blue RGB=\"FF0000\"/></color>"
      "<button_bitmaps><b id=\"x\"><l type=\"backbitmap\" file=\"default\"/><l type=\"text\" "
      "font_name=\"small\" colour_name=\"red\" x=\"2\" y=\"2\" "
      "value=\"WW\"><hover colour_name=\"blue\"/><DISABLED font_name=\"small\" colour_name=\"none\"/></l>"
      "</b></button_bitmaps></skin>";
  wxBitmap crop(SolidImage(120, 60, 255, 255, 255));
  Built b = Build(xml, crop, wxSize(120, 60));

  wxImage normal = b.bitmaps.normal.ConvertToImage(), hover = b.bitmaps.hover.ConvertToImage(),
          disabled = b.bitmaps.disabled.ConvertToImage();
  wxRect normalInk = InkBox(normal, 255, 255, 255), hoverInk = InkBox(hover, 255, 255, 255);
  ASSERT_FALSE(normalInk.IsEmpty());
  ASSERT_FALSE(hoverInk.IsEmpty());
  // The hover child names no font: it takes the table's "default" (30 pixels).
  EXPECT_GT(hoverInk.height, normalInk.height * 2);
  EXPECT_EQ(InkBox(disabled, 255, 255, 255), normalInk);  // unknown colour: the text's own stays

  auto reddest = [](const wxImage& image) {
    int best = -1000;
    for (int y = 0; y < image.GetHeight(); ++y)
      for (int x = 0; x < image.GetWidth(); ++x)
        best = std::max(best, image.GetRed(x, y) - image.GetBlue(x, y));
    return best;
  };
  EXPECT_GT(reddest(normal), 150);
  EXPECT_LT(reddest(hover), 10);
}
