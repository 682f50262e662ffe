// The page tree and the settings form.
#include <gtest/gtest.h>
#include <wx/frame.h>

#include "app/core/autostart.h"
#include "app/core/profile.h"
#include "app/ui/page_base.h"
#include "app/ui/page_setting.h"
#include "tests/ui/ui_test_support.h"

namespace clarivo::ui {
namespace {

class TestSubPage : public CSubPageBase {
 public:
  explicit TestSubPage(wxWindow* parent) : CSubPageBase(parent) {}
  void OnAction(int index) override { actions.push_back(index); }
  void AddView(int index, const wxString& title) {
    SetView(index, new CSubSubPageBase(this, "no-view-image.png"), title);
  }
  void Action(int index, const wxString& text) { ShowAction(index, text); }
  std::vector<int> actions;
};

class TestPage : public CPageBase {
 public:
  explicit TestPage(wxWindow* parent) : CPageBase(parent) {
    for (int i = 0; i < 3; ++i) {
      subs[i] = new TestSubPage(this);
      SetSubPage(i, subs[i]);
    }
    ShowLeftButton(0, "zero");
    ShowLeftButton(1, "one");
  }
  bool CanSwitchTo(int index) override { return index != 2; }
  TestSubPage* subs[3] = {};
};

class PagesTest : public testing::Test {
 protected:
  void SetUp() override {
    uitest::MakeProgramFolder("pages");
    frame_ = new wxFrame(nullptr, wxID_ANY, "test", wxDefaultPosition, wxSize(800, 600));
    frame_->Show();
  }
  void TearDown() override { frame_->Destroy(); }
  wxFrame* frame_ = nullptr;
  uitest::RecordingInterface ui_;
};

TEST_F(PagesTest, PageTreePlacesAndSwitches) {
  auto* page = new TestPage(frame_);
  // No skin images here: every window keeps its default size.
  EXPECT_EQ(page->GetRect(), wxRect(9, 60, 772, 524));
  EXPECT_EQ(page->subs[0]->GetRect(), wxRect(192, 4, 576, 516));
  EXPECT_TRUE(page->subs[0]->IsShown());
  EXPECT_FALSE(page->subs[1]->IsShown());
  EXPECT_EQ(page->left_button(0)->CurrentFrame(), 2);
  EXPECT_EQ(page->left_button(0)->GetPosition(), wxPoint(9, 9));
  EXPECT_EQ(page->left_button(3)->GetPosition(), wxPoint(9, 159));
  EXPECT_FALSE(page->left_button(3)->IsShown());
  EXPECT_TRUE(page->left_button(1)->IsShown());
  EXPECT_EQ(page->left_button(1)->text(), "one");

  page->SwitchTo(1);
  EXPECT_EQ(page->current_sub_page(), 1);
  EXPECT_FALSE(page->subs[0]->IsShown());
  EXPECT_TRUE(page->subs[1]->IsShown());
  EXPECT_EQ(page->left_button(0)->forced_state(), CButton4Status::kAutomatic);
  EXPECT_EQ(page->left_button(1)->forced_state(), 2);

  // The one already shown: hidden and shown again, still shown.
  page->SwitchTo(1);
  EXPECT_TRUE(page->subs[1]->IsShown());

  // Refused by CanSwitchTo: nothing changes.
  page->SwitchTo(2);
  EXPECT_EQ(page->current_sub_page(), 1);
  EXPECT_TRUE(ui_.messages.empty());

  page->SwitchTo(9);
  page->SwitchTo(-1);
  EXPECT_EQ(page->current_sub_page(), 1);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0], u"page not exist");
}

TEST_F(PagesTest, SubPageViewsAndActions) {
  auto* page = new TestPage(frame_);
  TestSubPage* sub = page->subs[0];
  sub->AddView(0, "first");
  sub->AddView(1, "second");
  EXPECT_EQ(sub->view(0)->GetRect(), wxRect(0, 0, 576, 462));
  EXPECT_TRUE(sub->view(0)->IsShown());
  EXPECT_FALSE(sub->view(1)->IsShown());
  EXPECT_EQ(sub->title()->text(), "first");
  EXPECT_EQ(sub->title()->GetPosition(), wxPoint(20, 20));
  sub->ShowView(1);
  EXPECT_FALSE(sub->view(0)->IsShown());
  EXPECT_TRUE(sub->view(1)->IsShown());
  EXPECT_EQ(sub->title()->text(), "second");
  EXPECT_EQ(sub->current_view(), 1);

  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sub->action_button(i)->GetId(), 12745 + i);
    EXPECT_EQ(sub->action_button(i)->GetPosition(), wxPoint(20 + 140 * i, 470));
    EXPECT_FALSE(sub->action_button(i)->IsShown());
    EXPECT_EQ(sub->action_button(i)->text(), "btn");
  }
  sub->Action(3, "Save");
  EXPECT_TRUE(sub->action_button(3)->IsShown());
  wxCommandEvent click(wxEVT_BUTTON, 12748);
  click.SetEventObject(sub->action_button(3));
  sub->action_button(3)->GetEventHandler()->ProcessEvent(click);
  EXPECT_EQ(sub->actions, std::vector<int>{3});
}

TEST_F(PagesTest, SettingsFormShowsDefaultsAndSaves) {
  uitest::MakeProgramFolder("settings");
  CPageSettingSet sub(frame_);
  CPageSettingSet_1* form = sub.form();
  // A fresh profile: minimise to the taskbar, close to the tray, scan at start.
  EXPECT_EQ(form->minimize_choice()->GetSelection(), 0);
  EXPECT_EQ(form->close_choice()->GetSelection(), 1);
  EXPECT_FALSE(form->autostart_box()->GetValue());
  EXPECT_TRUE(form->scan_box()->GetValue());
  EXPECT_EQ(form->minimize_choice()->GetString(1), "Minimize Clarivo to system tray");
  EXPECT_EQ(form->close_choice()->GetString(0), "Close Clarivo immediately");
  EXPECT_EQ(form->minimize_choice()->GetPosition(), wxPoint(101, 108));
  EXPECT_EQ(form->close_choice()->GetPosition(), wxPoint(101, 136));
  EXPECT_EQ(form->autostart_box()->GetPosition(), wxPoint(56, 218));
  EXPECT_EQ(form->scan_box()->GetPosition(), wxPoint(56, 243));
  EXPECT_TRUE(sub.action_button(3)->IsShown());
  EXPECT_EQ(sub.action_button(3)->text(), "Save");

  form->minimize_choice()->SetSelection(1);
  form->close_choice()->SetSelection(0);
  form->autostart_box()->SetValue(true);
  form->scan_box()->SetValue(false);
  sub.OnAction(3);
  EXPECT_EQ(GetSettingInt(kMinimizeToTray), 1);
  EXPECT_EQ(GetSettingInt(kCloseToTray), 0);
  EXPECT_EQ(GetSettingInt(kScanWhenStart), 0);
  EXPECT_TRUE(IsAutoStart());
  ASSERT_EQ(ui_.pages.size(), 1u);
  EXPECT_EQ(ui_.pages[0], "Setting_Success.html");

  // A second form reads what was saved.
  CPageSettingSet again(frame_);
  EXPECT_EQ(again.form()->minimize_choice()->GetSelection(), 1);
  EXPECT_EQ(again.form()->close_choice()->GetSelection(), 0);
  EXPECT_TRUE(again.form()->autostart_box()->GetValue());
  EXPECT_FALSE(again.form()->scan_box()->GetValue());
  SetAutoStart(false);
}

}  // namespace
}  // namespace clarivo::ui
