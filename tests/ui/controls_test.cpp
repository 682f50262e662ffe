// The skin image cache, the category image list and the skinned controls.
#include "app/ui/controls.h"

#include <gtest/gtest.h>
#include <wx/anidecod.h>
#include <wx/frame.h>
#include <wx/gifdecod.h>
#include <wx/imaggif.h>
#include <wx/quantize.h>
#include <wx/wfstream.h>

#include "app/ui/gif_control.h"
#include "app/ui/skin_cache.h"
#include "tests/ui/ui_test_support.h"

namespace clarivo::ui {
namespace {

// One program folder for the whole process: the cache keys images by name.
const std::string& Program() {
  static const std::string folder = [] {
    std::string f = uitest::MakeProgramFolder("prog");
    // A 100 x 120 strip: four bands of 30 rows in four colours.
    wxImage strip(100, 120);
    const unsigned char colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 100; ++x)
        strip.SetRGB(x, y, colours[y / 30][0], colours[y / 30][1], colours[y / 30][2]);
    }
    strip.SaveFile(wxString::FromUTF8(f + "/img/strip.png"), wxBITMAP_TYPE_PNG);
    wxImage(40, 20).SaveFile(wxString::FromUTF8(f + "/img/plain.png"), wxBITMAP_TYPE_PNG);
    return f;
  }();
  uitest::MakeProgramFolder("prog");
  return folder;
}

// A GIF of `count` frames of 8 x 8, each a different grey.
std::string WriteGif(const std::string& name, int count) {
  wxImageArray frames;
  for (int i = 0; i < count; ++i) {
    wxImage frame(8, 8);
    frame.SetRGB(wxRect(0, 0, 8, 8), static_cast<unsigned char>(40 * i), 0, 0);
    wxImage quantized;
    wxQuantize::Quantize(frame, quantized, 16);
    frames.Add(quantized);
  }
  const std::string path = Program() + "/img/" + name;
  wxFileOutputStream out(wxString::FromUTF8(path));
  wxGIFHandler handler;
  handler.SaveAnimation(frames, &out, false, 50);
  return path;
}

class ControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    Program();
    frame_ = new wxFrame(nullptr, wxID_ANY, "test", wxDefaultPosition, wxSize(400, 300));
    frame_->Show();
  }
  void TearDown() override { frame_->Destroy(); }
  wxFrame* frame_ = nullptr;
};

TEST(SkinCacheTest, ReadsEachFileOnceAndKeepsFailures) {
  Program();
  EXPECT_EQ(GetImagePath("icon\\5_MissingShareDLL.ico"), Program() + "/img/icon/5_MissingShareDLL.ico");
  const int loads = ImageCacheLoads();
  const wxBitmap& first = GetImage("plain.png");
  const wxBitmap& second = GetImage("plain.png");
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(ImageCacheLoads(), loads + 1);
  EXPECT_EQ(ImageWidth(first), 40);
  EXPECT_EQ(ImageHeight(first), 20);

  const wxBitmap& missing = GetImage("nothing-here.png");
  EXPECT_EQ(ImageWidth(missing), 0);
  EXPECT_EQ(ImageHeight(missing), 0);
  // The file appearing later changes nothing: a failed entry is never retried.
  wxImage(10, 10).SaveFile(wxString::FromUTF8(Program() + "/img/nothing-here.png"), wxBITMAP_TYPE_PNG);
  EXPECT_EQ(&GetImage("nothing-here.png"), &missing);
  EXPECT_EQ(ImageWidth(GetImage("nothing-here.png")), 0);
  EXPECT_EQ(ImageCacheLoads(), loads + 2);
}

TEST(SkinCacheTest, CategoryImageListOrder) {
  Program();
  // Icons of the real skin: 11 without findings, then 11 with.
  std::string command = std::string("cp -r '") + CLARIVO_BIN_DIR + "/Image/icon' '" + CLARIVO_BIN_DIR +
                        "/Image/icon_witherror' '" + Program() + "/img/'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(GetCategoryImage(0x0080, false), 0);
  EXPECT_EQ(GetCategoryImage(0x0001, false), 4);
  EXPECT_EQ(GetCategoryImage(0x0040, false), 10);
  EXPECT_EQ(GetCategoryImage(0x0080, true), 11);
  EXPECT_EQ(GetCategoryImage(0x0001, true), 15);
  EXPECT_EQ(GetCategoryImage(0x0800, false), -1);
  EXPECT_EQ(GetCategoryImage(0x0100, true), -1);
  EXPECT_EQ(GetCategoryImageList().GetImageCount(), 22);
  EXPECT_EQ(GetCategoryImageList().GetSize(), wxSize(16, 16));
}

TEST_F(ControlsTest, ButtonTakesAQuarterOfItsStrip) {
  auto* button = new CButton4Status(frame_, 1001, wxPoint(5, 6), wxSize(70, 20), "Go");
  button->SetImage("strip.png");
  EXPECT_EQ(button->GetSize(), wxSize(100, 30));
  EXPECT_EQ(button->GetPosition(), wxPoint(5, 6));
  EXPECT_EQ(button->text_rect(), wxRect(0, 0, 100, 30));
  EXPECT_EQ(button->CurrentFrame(), 0);
  button->SetForcedState(2);
  EXPECT_EQ(button->CurrentFrame(), 2);
  button->SetForcedState(CButton4Status::kAutomatic);
  button->Enable(false);
  EXPECT_EQ(button->CurrentFrame(), 3);

  // A missing image keeps the size the button was made with.
  auto* bare = new CButton4Status(frame_, 1002, wxPoint(0, 50), wxSize(70, 20), "Go");
  bare->SetImage("no-such-strip.png");
  EXPECT_FALSE(bare->HasImage());
  EXPECT_EQ(bare->GetSize(), wxSize(70, 20));
}

TEST_F(ControlsTest, ButtonClickSendsItsId) {
  auto* button = new CButton4Status(frame_, 1003, wxPoint(20, 20), wxSize(80, 30), "Go");
  int clicks = 0;
  frame_->Bind(wxEVT_BUTTON, [&](wxCommandEvent& event) {
    if (event.GetId() == 1003) ++clicks;
  });
  uitest::Pump(300);
  wxMouseEvent down(wxEVT_LEFT_DOWN);
  down.SetPosition(wxPoint(10, 10));
  button->GetEventHandler()->ProcessEvent(down);
  wxMouseEvent up(wxEVT_LEFT_UP);
  up.SetPosition(wxPoint(10, 10));
  button->GetEventHandler()->ProcessEvent(up);
  EXPECT_EQ(clicks, 1);
  // A double click counts as a click.
  wxMouseEvent dclick(wxEVT_LEFT_DCLICK);
  dclick.SetPosition(wxPoint(10, 10));
  button->GetEventHandler()->ProcessEvent(dclick);
  button->GetEventHandler()->ProcessEvent(up);
  EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, StaticFollowsItsText) {
  auto* label = new CHMXStatic(frame_, 1011, wxPoint(10, 10), "A rather long text for a label");
  const int long_width = label->GetSize().x;
  label->SetText("Short");
  EXPECT_LT(label->GetSize().x, long_width);
  EXPECT_EQ(label->GetPosition(), wxPoint(10, 10));
  label->SetText("Two\r\nlines");
  EXPECT_EQ(label->text(), "Two\nlines");
  const int two_lines = label->GetSize().y;
  label->SetText("One");
  EXPECT_LT(label->GetSize().y, two_lines);
  label->SetTextColour(0x1201E4);
  EXPECT_EQ(label->text_colour(), wxColour(0xE4, 0x01, 0x12));
  const int small = label->GetSize().y;
  label->SetFontSize(15);
  EXPECT_GT(label->GetSize().y, small);

  auto* fixed = new CHMXStatic(frame_, 1012, wxPoint(1, 100), "Centred", 208, wxALIGN_CENTRE_HORIZONTAL);
  fixed->SetText("Centred and longer");
  EXPECT_EQ(fixed->GetSize().x, 208);
}

TEST_F(ControlsTest, CheckBoxAndList) {
  auto* box = new CHMXCheckBox(frame_, 1035, wxPoint(56, 218), "Launch");
  EXPECT_FALSE(box->GetValue());
  int toggles = 0;
  frame_->Bind(wxEVT_CHECKBOX, [&](wxCommandEvent& event) { toggles += event.GetInt() ? 1 : 10; });
  wxMouseEvent click(wxEVT_LEFT_DOWN);
  box->GetEventHandler()->ProcessEvent(click);
  EXPECT_TRUE(box->GetValue());
  box->GetEventHandler()->ProcessEvent(click);
  EXPECT_FALSE(box->GetValue());
  EXPECT_EQ(toggles, 11);

  auto* list = new CHMXComboBox(frame_, 1052, wxPoint(101, 108), wxSize(300, -1));
  list->Append("first");
  list->Append("second");
  EXPECT_EQ(list->GetSelection(), -1);
  list->SetSelection(1);
  EXPECT_EQ(list->GetSelection(), 1);
  list->SetSelection(7);
  EXPECT_EQ(list->GetSelection(), -1);
  // The two lists of the settings form sit 28 pixels apart: each fits.
  EXPECT_LE(list->GetSize().y, 28);
}

TEST_F(ControlsTest, AnimationPlaysOnceReplaysAndLoops) {
  const std::string path = WriteGif("three.gif", 3);
  auto* gif = new CGifControl(frame_, wxID_ANY, path, wxRect(32, 35, 468, 365));
  ASSERT_TRUE(gif->loaded());
  EXPECT_EQ(gif->frame_count(), 3u);
  EXPECT_EQ(gif->GetPosition(), wxPoint(32, 35));
  EXPECT_EQ(gif->GetSize(), wxSize(8, 8));

  gif->SetLoop(false);
  EXPECT_TRUE(gif->Advance());
  EXPECT_TRUE(gif->Advance());
  EXPECT_EQ(gif->current_frame(), 2u);
  EXPECT_FALSE(gif->Advance());  // stays on its last frame
  EXPECT_EQ(gif->current_frame(), 2u);
  gif->SetReplay(true);
  EXPECT_TRUE(gif->Advance());  // once round again
  EXPECT_EQ(gif->current_frame(), 0u);
  EXPECT_FALSE(gif->replay());
  gif->Advance();
  gif->Advance();
  EXPECT_FALSE(gif->Advance());
  EXPECT_EQ(gif->current_frame(), 2u);

  gif->SetLoop(true);
  EXPECT_TRUE(gif->Advance());
  EXPECT_EQ(gif->current_frame(), 0u);

  // Paused, the timer moves nothing; resumed, it does.
  gif->Pause();
  const size_t held = gif->current_frame();
  uitest::Pump(400);
  EXPECT_EQ(gif->current_frame(), held);
  gif->Resume();
  uitest::Pump(1500, [&] { return gif->current_frame() != held; });
  EXPECT_NE(gif->current_frame(), held);

  auto* missing = new CGifControl(frame_, wxID_ANY, Program() + "/img/none.gif", wxRect(0, 0, 10, 10));
  EXPECT_FALSE(missing->loaded());
  EXPECT_FALSE(missing->IsShown());
}

}  // namespace
}  // namespace clarivo::ui
