// Colour and font tables and attribute lists.
#include <gtest/gtest.h>

#include "skin/attribute_list.h"
#include "skin/colour_table.h"
#include "skin/font_table.h"
#include "skin/skin_xml.h"
#include "skin_test_support.h"

using namespace tweaks;

TEST(ColourTable, RgbIsLowByteRedAndChannelsDefaultTo255) {
  TempSkin skin;
  EXPECT_TRUE(ColourTable().Entries().empty());  // no default.xml
  skin.Write(
      "default.xml",
      "<skin><Color><red RGB=\"0000FF\"/><blue RGB=\"FF0000\"/><cyan ColourRed=\"0\"/>"
      "<plain/><both RGB=\"00FF00\" ColourRed=\"0\"/></Color><other><x RGB=\"1\"/></other>"
      "<color><RED RGB=\"000000\"/><late ColourRed=\" 1\" ColourGreen=\"+2\" ColourBlue=\"3px\"/></color>"
      "</skin>");
  ColourTable table;
  EXPECT_EQ(table.Entries().size(), 7u);
  const std::pair<const char*, wxColour> expected[] = {
      {"red", wxColour(255, 0, 0)},  // first duplicate
      {"Blue", wxColour(0, 0, 255)},      {"cyan", wxColour(0, 255, 255)},
      {"plain", wxColour(255, 255, 255)}, {"both", wxColour(0, 255, 0)},  // RGB alone decides
      {"late", wxColour(1, 2, 3)}};
  for (const auto& [name, colour] : expected) {
    wxColour found;
    ASSERT_TRUE(table.FindColour(name, found)) << name;
    EXPECT_EQ(found, colour) << name;
  }
  wxColour untouched(9, 9, 9);
  EXPECT_FALSE(table.FindColour("x", untouched));
  EXPECT_EQ(untouched, wxColour(9, 9, 9));

  skin.Write("default.xml", "<skin><color><red RGB=\"0000FF\"/></color>");  // not well-formed
  EXPECT_TRUE(ColourTable().Entries().empty());
}

TEST(FontTable, DefaultsAttributeRulesAndPointSize) {
  TempSkin skin;
  skin.Write("default.xml",
             "<skin><font><bare/>"
             "<light size=\"-12\" italic=\"TRUE\" weight=\"light\" underline=\"FALSE\" name=\"DejaVu Sans\"/>"
             "<heavy italic=\"no\" weight=\"heavy\" underline=\"yes\"/>"
             "<huge size=\"2147483647\"/><lowest size=\"-2147483648\"/></font></skin>");
  FontTable table;
  ASSERT_EQ(table.Entries().size(), 5u);
  const FontSpec& bare = table.Entries()[0].spec;
  EXPECT_EQ(bare.face, "Arial");
  EXPECT_EQ(bare.pixelSize, 9);
  EXPECT_TRUE(bare.italic);
  EXPECT_EQ(bare.weight, wxFONTWEIGHT_NORMAL);
  EXPECT_FALSE(bare.underline);
  const FontSpec& light = table.Entries()[1].spec;
  EXPECT_EQ(light.pixelSize, 12);
  EXPECT_TRUE(light.italic);
  EXPECT_FALSE(light.underline);
  const FontSpec& heavy = table.Entries()[2].spec;
  EXPECT_FALSE(heavy.italic);
  EXPECT_EQ(heavy.weight, wxFONTWEIGHT_BOLD);
  EXPECT_TRUE(heavy.underline);

  wxFont font;
  ASSERT_TRUE(table.FindFont("LIGHT", font));
  EXPECT_EQ(font.GetFamily(), wxFONTFAMILY_SWISS);
  EXPECT_EQ(font.GetWeight(), wxFONTWEIGHT_LIGHT);
  EXPECT_EQ(font.GetFaceName(), "DejaVu Sans");

  // Absurd sizes still make usable fonts (the toolkit asserts on out-of-range sizes).
  for (const char* name : {"huge", "lowest"}) {
    ASSERT_TRUE(table.FindFont(name, font)) << name;
    EXPECT_TRUE(font.IsOk()) << name;
    EXPECT_GT(font.GetPointSize(), 100) << name;
  }

  EXPECT_EQ(FontSpec::PointSize(12, 96, 96), 9);
  EXPECT_EQ(FontSpec::PointSize(9, 96, 96), 7);     // 6.75 rounds up
  EXPECT_EQ(FontSpec::PointSize(12, 120, 120), 7);  // scaled desktop: factor 68
}

TEST(AttributeList, RecordsDefaultsAndLookups) {
  TempSkin skin;
  skin.Write("xml/MainFrame/attrs.xml",
             "<skin><attributeList>"
             "<url id=\"ID_URL_FEEDBACK\" x=\"3\" y=\"-4\" height=\"5\" width=\"6\" font_name=\"f\" "
             "colour_name=\"c\" text=\"https://example.org\"/><url id=\"id_url_feedback\" text=\"second\"/>"
             "</attributeList><ATTRIBUTELIST><bare id=\"later\"/></ATTRIBUTELIST></skin>");
  AttributeList list("xml\\MainFrame\\attrs.xml");
  AttributeRecord r;
  ASSERT_TRUE(list.Get("Id_Url_Feedback", r));
  EXPECT_EQ(r.x, 3);
  EXPECT_EQ(r.y, -4);
  EXPECT_EQ(r.height, 5);
  EXPECT_EQ(r.width, 6);
  EXPECT_EQ(r.font_name, "f");
  EXPECT_EQ(r.colour_name, "c");
  EXPECT_EQ(r.text, "https://example.org");
  ASSERT_TRUE(list.Get("later", r));
  EXPECT_EQ(r.x, 0);
  EXPECT_TRUE(r.text.empty());
  EXPECT_FALSE(list.Get("nothing", r));
  EXPECT_FALSE(AttributeList("missing.xml").Get("ID_URL_FEEDBACK", r));
}
