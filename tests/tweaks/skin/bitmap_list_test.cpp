// Bitmap lists: layers composing one bitmap each.
#include "skin/bitmap_list.h"

#include <gtest/gtest.h>

#include "skin_test_support.h"

using namespace tweaks;

namespace {

const char kFonts[] =
    "<skin><font><default size=\"14\" italic=\"false\"/></font>"
    "<color><default RGB=\"000000\"/></color></skin>";

wxImage Get(const BitmapList& list, const char* id) {
  wxBitmap bitmap;
  EXPECT_TRUE(list.Get(id, bitmap)) << id;
  return bitmap.IsOk() ? bitmap.ConvertToImage() : wxImage();
}

}  // namespace

TEST(BitmapList, ImageLayersCutStretchAndPlace) {
  TempSkin skin;
  skin.Write("default.xml", kFonts);
  wxImage base = SolidImage(40, 20, 0, 0, 200);
  base.SetRGB(wxRect(10, 5, 4, 3), 0, 250, 0);
  skin.SavePng("img/base.png", base);
  skin.SavePng("img/dot.png", SolidImage(2, 2, 250, 0, 0));
  skin.Write(
      "list.xml",
      "<skin><BitmapList>"
      "<entry id=\"plain\"><layer type=\"bitmap\" file=\"img\\base.png\" x=\"7\" y=\"7\"/>"
      "<layer type=\"BITMAP\" file=\"img/dot.png\" x=\"30\" y=\"4\"/>"
      "<layer type=\"unknown\" file=\"img/dot.png\"/></entry>"
      "<entry id=\"cut\"><layer type=\"bitmap\" file=\"img/base.png\" cut=\"y\" cut_x=\"10\" cut_y=\"5\" "
      "cut_w=\"4\" cut_h=\"3\"/></entry>"
      "<entry id=\"scaled\"><layer type=\"bitmap\" file=\"img/dot.png\" expand_type=\"b\" width=\"9\"/>"
      "</entry>"
      "<entry id=\"outside\"><layer type=\"bitmap\" file=\"img/base.png\" cut=\"Y\" cut_x=\"35\" "
      "cut_w=\"20\" cut_h=\"5\"/></entry>"
      "<entry id=\"missing\"><layer type=\"bitmap\" file=\"img/none.png\"/>"
      "<layer type=\"bitmap\" file=\"img/dot.png\"/></entry>"
      "</BitmapList></skin>");
  BitmapList list("list.xml");

  wxImage plain = Get(list, "PLAIN");
  ASSERT_EQ(plain.GetSize(), wxSize(40, 20));  // first layer's x and y ignored
  EXPECT_TRUE(PixelIs(plain, 0, 0, 0, 0, 200));
  EXPECT_TRUE(PixelIs(plain, 31, 5, 250, 0, 0));
  EXPECT_TRUE(PixelIs(plain, 32, 5, 0, 0, 200));

  wxImage cut = Get(list, "cut");
  ASSERT_EQ(cut.GetSize(), wxSize(4, 3));
  EXPECT_TRUE(PixelIs(cut, 3, 2, 0, 250, 0));

  EXPECT_EQ(Get(list, "scaled").GetSize(), wxSize(9, 2));   // height falls back to the image's
  EXPECT_EQ(Get(list, "outside").GetSize(), wxSize(5, 5));  // clipped to the image
  EXPECT_EQ(Get(list, "missing").GetSize(), wxSize(2, 2));  // the next image layer is the base
}

TEST(BitmapList, TextLayersNeedABaseAndMultiTextAdvancesBySpace) {
  TempSkin skin;
  skin.Write("default.xml", kFonts);
  skin.SavePng("white.png", SolidImage(300, 120, 255, 255, 255));
  auto entry = [](const char* id, const char* layer) {
    return std::string("<e id=\"") + id + "\"><l type=\"bitmap\" file=\"white.png\"/>" + layer + "</e>";
  };
  skin.Write(
      "list.xml",
      "<skin><bitmaplist>"
      "<e id=\"textfirst\"><l type=\"text\" value=\"Hi\"/></e>" +
          entry("h0", "<l type=\"multi_text\" direction=\"h\" x=\"5\" y=\"5\">AB\nCD</l>") +
          entry("h4", "<l type=\"multi_text\" direction=\"h\" space=\"4\" x=\"5\" y=\"5\">AB\nCD</l>") +
          entry("v0", "<l type=\"multi_text\" x=\"5\" y=\"5\">AB\n\nCD</l>") +
          entry("v4", "<l type=\"multi_text\" direction=\"V\" space=\"4\" x=\"5\" y=\"5\">AB\nCD</l>") +
          entry("text", "<l type=\"text\" x=\"50\" y=\"60\" value=\"Hi\"/>") + "</bitmaplist></skin>");
  BitmapList list("list.xml");

  wxBitmap none;
  ASSERT_TRUE(list.Get("textfirst", none));
  EXPECT_FALSE(none.IsOk());

  wxRect h0 = InkBox(Get(list, "h0"), 255, 255, 255), h4 = InkBox(Get(list, "h4"), 255, 255, 255);
  ASSERT_FALSE(h0.IsEmpty());
  EXPECT_EQ(h4.x, h0.x);
  EXPECT_EQ(h4.GetRight(), h0.GetRight() + 4);
  EXPECT_EQ(h4.height, h0.height);  // side by side, not stacked

  wxImage v0image = Get(list, "v0");
  wxRect v0 = InkBox(v0image, 255, 255, 255), v4 = InkBox(Get(list, "v4"), 255, 255, 255);
  EXPECT_EQ(InkRowBands(v0image, 255, 255, 255), 2);  // the empty line is dropped
  EXPECT_EQ(v4.y, v0.y);
  EXPECT_EQ(v4.GetBottom(), v0.GetBottom() + 4);
  EXPECT_EQ(v4.width, v0.width);

  wxRect text = InkBox(Get(list, "text"), 255, 255, 255);
  EXPECT_GE(text.x, 50);
  EXPECT_GE(text.y, 60);
}

TEST(BitmapList, IconLayerAndMissingFile) {
  TempSkin skin;
  skin.SaveIco("app.ico", SolidImage(32, 32, 255, 255, 0));
  skin.Write("list.xml",
             "<skin><bitmaplist><e id=\"icon\"><l type=\"icon\" file=\"app.ico\"/></e></bitmaplist></skin>");
  wxImage icon = Get(BitmapList("list.xml"), "icon");
  ASSERT_EQ(icon.GetSize(), wxSize(16, 16));
  wxImage stored(wxString::FromUTF8(skin.Path("app.ico")), wxBITMAP_TYPE_ICO);  // as the ICO writer kept it
  EXPECT_TRUE(PixelIs(icon, 8, 8, stored.GetRed(3, 3), stored.GetGreen(3, 3), stored.GetBlue(3, 3)));
  EXPECT_GT(stored.GetRed(3, 3), 200);

  wxBitmap out;
  EXPECT_FALSE(BitmapList("none.xml").Get("icon", out));
}
