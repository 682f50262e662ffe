// Skinned views applied to real windows found by XRC id.
#include "skin/skin_view.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/xrc/xmlres.h>

#include "skin_test_support.h"

using namespace tweaks;

namespace {

const char kSkin[] =
    "<skin><view id=\"ID_FRAME\" width=\"300\" height=\"200\" title=\"Skinned\">"
    "<sizer orient=\"h\" width=\"300\" height=\"50\" space=\"0\">"
    "<control id=\"ID_PANEL\" width=\"120\" height=\"50\" back_colour=\"BG\" font_name=\"big\">"
    "<control id=\"ID_BTN\" width=\"40\" height=\"20\"/></control>"
    "<control id=\"ID_NOWHERE\" width=\"100\"><control id=\"ID_INNER\" width=\"30\" height=\"30\"/></control>"
    "</sizer></view>"
    "<bitmaplist><e id=\"ID_DEFAULT\"><l type=\"bitmap\" file=\"bg.png\"/></e>"
    "<e id=\"ID_BROKEN\"><l type=\"bitmap\" file=\"gone.png\"/></e></bitmaplist>"
    "<button_bitmaps><b id=\"id_btn\"><l type=\"backbitmap\" file=\"default\"/>"
    "<l type=\"bitmap\" file=\"dot.png\" x=\"1\" y=\"1\"/></b></button_bitmaps></skin>";

class SkinViewTest : public testing::Test {
 protected:
  void SetUp() override {
    skin_.Write(
        "default.xml",
        "<skin><color><bg RGB=\"00FF00\"/></color><font><big size=\"20\" italic=\"false\"/></font></skin>");
    skin_.Write("xml/Test/view.xml", kSkin);
    skin_.SavePng("bg.png", SolidImage(300, 200, 10, 20, 30));
    skin_.SavePng("dot.png", SolidImage(2, 2, 250, 0, 0));
    frame_ = new wxFrame(nullptr, XRCID("ID_FRAME"), "plain");
    panel_ = new wxPanel(frame_, XRCID("ID_PANEL"), wxPoint(70, 70), wxSize(10, 10));
    button_ = new wxBitmapButton(panel_, XRCID("ID_BTN"), wxBitmap(SolidImage(8, 8, 1, 1, 1)));
    inner_ = new wxPanel(frame_, XRCID("ID_INNER"));
  }
  void TearDown() override {
    frame_->Destroy();
    wxTheApp->ProcessIdle();
  }

  TempSkin skin_;
  wxFrame* frame_ = nullptr;
  wxPanel* panel_ = nullptr;
  wxBitmapButton* button_ = nullptr;
  wxPanel* inner_ = nullptr;
};

}  // namespace

TEST_F(SkinViewTest, ApplySizesMovesColoursAndSkinsButtons) {
  SkinView view("xml\\Test\\view.xml");
  ASSERT_TRUE(view.Loaded());
  wxBitmap background;
  view.Apply(frame_, background, wxSize(0, 0), "id_default");
  ASSERT_TRUE(background.IsOk());
  EXPECT_EQ(background.GetSize(), wxSize(300, 200));

  EXPECT_EQ(frame_->GetTitle(), "Skinned");
  EXPECT_EQ(frame_->GetClientSize(), wxSize(300, 200));
  EXPECT_EQ(panel_->GetSize(), wxSize(120, 50));
  EXPECT_EQ(panel_->GetPosition(), wxPoint(0, 0));
  EXPECT_EQ(panel_->GetBackgroundColour(), wxColour(0, 255, 0));
  EXPECT_GT(panel_->GetFont().GetPointSize(), 12);
  EXPECT_EQ(inner_->GetSize(), wxSize(30, 30));  // its parent node named no window
  EXPECT_EQ(inner_->GetPosition(), wxPoint(120, 0));

  wxImage label = button_->GetBitmapLabel().ConvertToImage();
  ASSERT_EQ(label.GetSize(), wxSize(40, 20));  // the background crop under the button
  EXPECT_TRUE(PixelIs(label, 1, 1, 250, 0, 0));
  EXPECT_TRUE(PixelIs(label, 20, 10, 10, 20, 30));
  EXPECT_EQ(button_->GetBitmapPressed().GetSize(), wxSize(40, 20));
  EXPECT_EQ(button_->GetBitmapDisabled().GetSize(), wxSize(40, 20));

  wxBitmap fromList;
  EXPECT_TRUE(view.GetBitmap("ID_DEFAULT", fromList));
  EXPECT_FALSE(view.GetBitmap("nothing", fromList));

  panel_->Move(50, 50);
  view.Reapply();
  EXPECT_EQ(panel_->GetPosition(), wxPoint(0, 0));
}

TEST_F(SkinViewTest, PaintBackgroundNeedsAWindowAndAnImage) {
  SkinView view("xml/Test/view.xml");
  wxBitmap background;
  view.Apply(frame_, background, wxSize(0, 0), "ID_DEFAULT");
  frame_->Show();
  wxBitmap empty;
  EXPECT_FALSE(view.PaintBackground(background, nullptr, false));
  EXPECT_FALSE(view.PaintBackground(empty, frame_, false));
  EXPECT_TRUE(view.PaintBackground(background, frame_, true));
}

TEST_F(SkinViewTest, OnlyAMissingEntryKeepsTheCallersBackground) {
  SkinView view("xml/Test/view.xml");
  wxBitmap background(SolidImage(300, 200, 1, 2, 3));
  view.Apply(frame_, background, wxSize(0, 0), "ID_NOT_LISTED");
  ASSERT_TRUE(background.IsOk());
  EXPECT_TRUE(PixelIs(background.ConvertToImage(), 50, 20, 1, 2, 3));
  // The button is cut from the caller's background.
  EXPECT_TRUE(PixelIs(button_->GetBitmapLabel().ConvertToImage(), 20, 10, 1, 2, 3));

  // An entry whose image is missing replaces it with its empty bitmap: no crop
  // under the button, nothing to paint.
  view.Apply(frame_, background, wxSize(0, 0), "ID_BROKEN");
  EXPECT_FALSE(background.IsOk());
  EXPECT_EQ(button_->GetBitmapLabel().GetSize(), wxSize(2, 2));  // only the dot layer
  frame_->Show();
  EXPECT_FALSE(view.PaintBackground(background, frame_, false));
}

TEST_F(SkinViewTest, MissingSkinFileLeavesEverythingAsItWas) {
  SkinView view("xml/Test/none.xml");
  EXPECT_FALSE(view.Loaded());
  wxBitmap background(SolidImage(5, 5, 1, 2, 3));
  view.Apply(frame_, background, wxSize(100, 100), "ID_DEFAULT");
  EXPECT_EQ(background.GetSize(), wxSize(5, 5));
  EXPECT_EQ(panel_->GetPosition(), wxPoint(70, 70));
  wxBitmap out;
  EXPECT_FALSE(view.GetBitmap("ID_DEFAULT", out));
  view.Reapply();
}
