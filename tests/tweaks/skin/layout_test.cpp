// Layout trees: fixed sizes, percentages, gaps, offsets and screen placement.
#include <gtest/gtest.h>
#include <wx/sstream.h>

#include "skin/layout_node.h"
#include "skin/skin_xml.h"
#include "skin_test_support.h"

using namespace tweaks;

namespace {

LayoutNode ReadTree(const char* xml) {
  wxXmlDocument doc;
  wxStringInputStream stream(wxString::FromUTF8(xml));
  EXPECT_TRUE(doc.Load(stream));
  LayoutNode root = LayoutNode::Read(FirstSkinSection(doc, "view"));
  root.Layout(wxSize(0, 0));
  return root;
}

}  // namespace

TEST(Layout, FixedWidthThenPercentagesOfWhatIsLeft) {
  LayoutNode root = ReadTree(
      "<skin><View width=\"400\" height=\"100\">"
      "<sizer orient=\"h\" width=\"300\" height=\"40\" space=\"0\">"
      "<control id=\"a\" width=\"100\"/><control id=\"b\" percent_w=\"50\"/><control id=\"c\" "
      "percent_w=\"50\"/>"
      "</sizer></View></skin>");
  EXPECT_EQ(root.computedWidth, 400);
  const LayoutNode& sizer = root.children.at(0);
  ASSERT_EQ(sizer.children.size(), 3u);
  EXPECT_EQ(sizer.children[0].computedWidth, 100);
  EXPECT_EQ(sizer.children[1].computedWidth, 100);
  EXPECT_EQ(sizer.children[2].computedWidth, 50);
  EXPECT_EQ(sizer.children[1].computedX, 100);
  EXPECT_EQ(sizer.children[2].computedX, 200);
}

TEST(Layout, VerticalGapsOffsetsAndPositionOverrides) {
  LayoutNode root = ReadTree(
      "<skin><other/><view width=\"200\" height=\"200\"><sizer y=\"10\" x=\"7\" dy=\"3\" dh=\"20\" dw=\"60\" "
      "height=\"150\">"
      "<control id=\"a\"/><control id=\"b\"/><control id=\"c\" x=\"1\"/>"
      "<unknown><control id=\"lost\"/></unknown></sizer>"
      "<control id=\"d\" x=\"0\" height=\"5\"/></view></skin>");
  const LayoutNode& sizer = root.children.at(0);
  ASSERT_EQ(sizer.children.size(), 3u);  // the unknown element and its content are skipped
  EXPECT_EQ(sizer.computedX, 7);
  EXPECT_EQ(sizer.computedY, 10);
  EXPECT_EQ(sizer.children[0].computedY, 13);
  EXPECT_EQ(sizer.children[1].computedY, 13 + 25);
  EXPECT_EQ(sizer.children[2].computedY, 13 + 50);
  EXPECT_EQ(sizer.children[0].computedX, 7);
  EXPECT_EQ(sizer.children[2].computedX, 1);  // "x" 1 moves it
  EXPECT_EQ(sizer.children[1].computedWidth, 60);
  EXPECT_EQ(sizer.children[1].computedHeight, 20);
  const LayoutNode& d = root.children.at(1);
  EXPECT_EQ(d.computedX, 0);  // "x" 0 keeps the computed position
  EXPECT_EQ(d.computedY, 150 + 5);
}

TEST(Layout, ScreenPlacementByLocation) {
  EXPECT_EQ(PlaceByLocation(4, 400, 300, 1024, 768, 18), wxPoint(624, 440));
  EXPECT_EQ(PlaceByLocation(1, 400, 300, 1024, 768, 18), wxPoint(0, 0));
  EXPECT_EQ(PlaceByLocation(2, 400, 300, 1024, 768, 18), wxPoint(0, 440));
  EXPECT_EQ(PlaceByLocation(3, 400, 300, 1024, 768, 18), wxPoint(624, 0));
  EXPECT_EQ(PlaceByLocation(0, 400, 300, 1024, 768, 18), wxPoint(312, 234));
  EXPECT_EQ(ParseLocation("rB"), 4);
  EXPECT_EQ(ParseLocation("lt"), 1);
  EXPECT_EQ(ParseLocation("middle"), 0);
}

TEST(Layout, LargeSharesDoNotOverflow) {
  LayoutNode root = ReadTree(
      "<skin><view width=\"2000000000\" height=\"10\"><sizer orient=\"h\" width=\"2000000000\">"
      "<control percent_w=\"50\"/></sizer></view></skin>");
  EXPECT_EQ(root.children.at(0).children.at(0).computedWidth, 1000000000);
}

TEST(Layout, HugeSizesGapsAndOffsetsClampInsteadOfWrapping) {
  // Widths that sum past 2^31, a gap that multiplies past it, and offsets
  // beyond it: each position stops at the largest (or smallest) 32-bit value.
  LayoutNode root = ReadTree(
      "<skin><view width=\"100\" height=\"10\">"
      "<sizer orient=\"h\" space=\"2000000000\" dx=\"2147483647\">"
      "<control width=\"2147483647\"/><control width=\"2147483647\"/><control width=\"5\"/>"
      "<control percent_w=\"100\"/></sizer>"
      "<sizer space=\"-2147483648\"><control height=\"1\"/><control height=\"1\"/><control height=\"1\"/>"
      "</sizer></view></skin>");
  const LayoutNode& row = root.children.at(0);
  ASSERT_EQ(row.children.size(), 4u);
  EXPECT_EQ(row.children[0].computedX, INT32_MAX);
  EXPECT_EQ(row.children[1].computedX, INT32_MAX);
  EXPECT_EQ(row.children[2].computedX, INT32_MAX);
  // What is left of the width went far below zero: the share is clamped too.
  EXPECT_EQ(row.children[3].computedWidth, INT32_MIN);
  const LayoutNode& column = root.children.at(1);
  ASSERT_EQ(column.children.size(), 3u);
  const int32_t top = column.computedY;
  EXPECT_EQ(column.children[1].computedY, INT32_MIN + top + 1);  // one gap still fits
  EXPECT_EQ(column.children[2].computedY, INT32_MIN);            // two gaps do not
}
