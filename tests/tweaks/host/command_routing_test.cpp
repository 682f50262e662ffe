// The main frame and controller with small view plug-ins built for the test:
// which view is asked, which becomes active, how the list loads and how a
// refused close behaves.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/datetime.h>
#include <wx/evtloop.h>
#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/utils.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/host_paths.h"
#include "host/main_control.h"
#include "host/main_frame.h"
#include "host/tweaks_task_bar.h"

namespace {

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

}  // namespace

// Test plug-ins report every call here.
extern "C" __attribute__((visibility("default"))) void TweaksTestRecord(const char* entry) {
  Calls().emplace_back(entry);
}

namespace tweaks {
namespace {

namespace fs = std::filesystem;

bool Called(const std::string& entry) {
  return std::find(Calls().begin(), Calls().end(), entry) != Calls().end();
}

void Pump() {
  for (int i = 0; i < 5; ++i) {
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();  // deletes windows whose Destroy() was deferred
    wxYield();
  }
}

class CommandRoutingTest : public testing::Test {
 protected:
  void SetUp() override {
    Calls().clear();
    folder_ = fs::temp_directory_path() / ("tweaks-routing-" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::create_directory_symlink(fs::path(TWEAKS_BIN_DIR) / "resource", folder_ / "resource");
    SetProgramFolder(wxString::FromUTF8(folder_.string()));
  }

  void TearDown() override {
    if (control_ && control_->Frame()) control_->Frame()->Close(true);
    Pump();
    control_.reset();
    Pump();
    fs::remove_all(folder_);
  }

  // Writes system.xml with one view per name ("missing" names no file) and
  // opens a frame.
  MainFrame* Open(const std::vector<std::string>& views) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tweaks><other/><VIEWLIST>\n";
    for (const std::string& name : views) {
      xml += "<view name=\"" + name + "\" path=\"" + TEST_PLUGIN_DIR + "/test_view_" + name + ".so\"/>\n";
    }
    xml += "</VIEWLIST></tweaks>\n";
    wxFFile(wxString::FromUTF8((folder_ / "system.xml").string()), "w").Write(xml);
    control_ = std::make_unique<MainControl>();
    control_->CreateMainFrame();
    Pump();
    return control_->Frame();
  }

  int Send(const wchar_t* command) { return control_->SendCommand(nullptr, command, 0, 0); }

  fs::path folder_;
  std::unique_ptr<MainControl> control_;
};

TEST_F(CommandRoutingTest, FirstAcceptingViewBecomesActiveAndLaterViewsAreNotAsked) {
  MainFrame* frame = Open({"c", "a", "b"});  // a and b both accept SEND_MESSAGE_HELP
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->ActiveViewIndex(), 0);
  EXPECT_TRUE(Called("c:init") && Called("a:init") && Called("b:init"));

  EXPECT_EQ(Send(L"send_message_help"), 0);  // commands compare without case
  EXPECT_TRUE(Called("c:send_message_help"));
  EXPECT_TRUE(Called("a:send_message_help"));
  EXPECT_FALSE(Called("b:send_message_help"));
  EXPECT_EQ(frame->ActiveViewIndex(), 1);
  EXPECT_EQ(frame->ShownWindow(), frame->Views()[1].window);
  EXPECT_TRUE(frame->Views()[1].window->IsShown());
  EXPECT_FALSE(frame->Views()[0].window->IsShown());

  EXPECT_EQ(Send(L"NOBODY_TAKES_THIS"), kNoViewAccepted);
  EXPECT_EQ(frame->ActiveViewIndex(), 1);
}

TEST_F(CommandRoutingTest, ACommandIsNeverOfferedBackToItsSender) {
  MainFrame* frame = Open({"c", "a", "b"});
  ASSERT_NE(frame, nullptr);
  Send(L"RELAY:a:SEND_MESSAGE_HELP");  // a sends HELP itself
  EXPECT_TRUE(Called("c:SEND_MESSAGE_HELP"));
  EXPECT_FALSE(Called("a:SEND_MESSAGE_HELP"));
  EXPECT_TRUE(Called("b:SEND_MESSAGE_HELP"));
  EXPECT_TRUE(Called("a:relay=0"));
  EXPECT_EQ(frame->ActiveViewIndex(), 2);
}

TEST_F(CommandRoutingTest, AMissingLibraryEndsTheListAndOneWithoutTheExportIsSkipped) {
  MainFrame* frame = Open({"a", "noexport", "b", "missing", "c"});
  ASSERT_NE(frame, nullptr);
  const auto& views = frame->Views();
  ASSERT_EQ(views.size(), 5u);
  EXPECT_NE(views[0].view, nullptr);
  EXPECT_EQ(views[1].view, nullptr);
  EXPECT_FALSE(views[1].button->IsShown());
  EXPECT_NE(views[2].view, nullptr);
  EXPECT_TRUE(views[2].button->IsShown());
  EXPECT_EQ(views[3].view, nullptr);
  EXPECT_EQ(views[4].view, nullptr);
  EXPECT_FALSE(views[4].button->IsShown());
  EXPECT_FALSE(Called("c:init"));
}

TEST_F(CommandRoutingTest, ViewButtonsSwitchViewsAndTheActiveButtonShowsItsPressedState) {
  MainFrame* frame = Open({"a", "b"});
  ASSERT_NE(frame, nullptr);
  wxAnyButton* button = frame->Views()[1].button;
  ASSERT_NE(button, nullptr);
  wxBitmap normal = button->GetBitmapLabel();
  wxBitmap pressed = button->GetBitmapPressed();
  ASSERT_TRUE(pressed.IsOk());

  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
  EXPECT_EQ(frame->ActiveViewIndex(), 1);
  EXPECT_EQ(frame->ShownWindow(), frame->Views()[1].window);
  EXPECT_TRUE(button->GetBitmapLabel().IsSameAs(pressed));

  button->GetEventHandler()->ProcessEvent(click);  // again: nothing changes
  EXPECT_EQ(frame->ActiveViewIndex(), 1);
  EXPECT_TRUE(button->GetBitmapLabel().IsSameAs(pressed));

  frame->ActivateView(0);
  EXPECT_TRUE(button->GetBitmapLabel().IsSameAs(normal));
  EXPECT_FALSE(frame->Views()[1].window->IsShown());
}

TEST_F(CommandRoutingTest, ARefusedCloseKeepsTheFrameAndRestoreOpensNoSecondOne) {
  MainFrame* frame = Open({"refuse"});
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(Send(kCloseFrameWindow), 0);
  Pump();
  EXPECT_TRUE(Called("refuse:CLOSE_VIEW"));
  EXPECT_EQ(control_->Frame(), frame);
  EXPECT_EQ(Send(kMessageRestore), 0);
  EXPECT_EQ(control_->Frame(), frame);
  int frames = 0;
  for (wxWindow* window : wxTopLevelWindows) {
    frames += wxDynamicCast(window, MainFrame) != nullptr && !window->IsBeingDeleted();
  }
  EXPECT_EQ(frames, 1);
  EXPECT_FALSE(Called("refuse:shutdown"));
  frame->Close(true);  // a forced close cannot be refused
  Pump();
  EXPECT_EQ(control_->Frame(), nullptr);
  EXPECT_TRUE(Called("refuse:shutdown"));
}

TEST_F(CommandRoutingTest, AnAcceptedCloseForgetsTheFrameAndRestoreLoadsTheViewsAgain) {
  MainFrame* frame = Open({"a"});
  ASSERT_NE(frame, nullptr);
  Send(kCloseFrameWindow);
  EXPECT_EQ(control_->Frame(), nullptr);
  Pump();
  EXPECT_TRUE(Called("a:shutdown"));
  EXPECT_EQ(Send(kMessageHelp), kNoViewAccepted);  // nothing open to forward to

  Calls().clear();
  Send(kMessageRestore);
  Pump();
  ASSERT_NE(control_->Frame(), nullptr);
  EXPECT_TRUE(Called("a:init"));
  EXPECT_EQ(control_->Frame()->ActiveViewIndex(), 0);
}

// Id and label of every entry, separators as (0, "-").
std::vector<std::pair<int, std::string>> Entries(const wxMenu& menu) {
  std::vector<std::pair<int, std::string>> entries;
  for (const wxMenuItem* item : menu.GetMenuItems()) {
    if (item->IsSeparator())
      entries.emplace_back(0, "-");
    else
      entries.emplace_back(item->GetId(), item->GetItemLabelText().utf8_string());
  }
  return entries;
}

TEST_F(CommandRoutingTest, OptionsAndTrayMenusSendTheirCommands) {
  std::unique_ptr<wxMenu> options(MainFrame::BuildOptionsMenu());
  std::unique_ptr<wxMenu> tray(TweaksTaskBar::BuildMenu());
  using Entry = std::pair<int, std::string>;
  EXPECT_EQ(Entries(*options), (std::vector<Entry>{{1000, "Help"},
                                                   {1006, "Setting"},
                                                   {1002, "Check for product Updates"},
                                                   {1003, "Support web"},
                                                   {1004, "About us"},
                                                   {0, "-"},
                                                   {1001, "Exit"}}));
  EXPECT_EQ(Entries(*tray), (std::vector<Entry>{{1000, "Help"},
                                                {1006, "Setting"},
                                                {1005, "Restore"},
                                                {1002, "Check for product Updates"},
                                                {1003, "Support web"},
                                                {1004, "About us"},
                                                {0, "-"},
                                                {1001, "Exit"}}));

  MainFrame* frame = Open({"c"});  // records every command it is offered
  ASSERT_NE(frame, nullptr);
  auto choose = [](wxEvtHandler* handler, int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    handler->ProcessEvent(event);
  };
  for (int id : {1000, 1002, 1003, 1004}) choose(frame, id);
  EXPECT_EQ(std::vector<std::string>(Calls().end() - 4, Calls().end()),
            (std::vector<std::string>{"c:SEND_MESSAGE_HELP", "c:SEND_MESSAGE_UPDATE",
                                      "c:SEND_MESSAGE_SUPPORTWEB", "c:SEND_MESSAGE_ABOUTUS"}));

  TweaksTaskBar icon(control_.get());
  for (int id : {1000, 1002, 1003, 1004}) choose(&icon, id);
  EXPECT_EQ(std::vector<std::string>(Calls().end() - 4, Calls().end()),
            (std::vector<std::string>{"c:SEND_MESSAGE_HELP", "c:SEND_MESSAGE_UPDATE",
                                      "c:SEND_MESSAGE_SUPPORTWEB", "c:SEND_MESSAGE_ABOUTUS"}));
  // "Restore" opens a frame again once the open one has closed.
  frame->Close(true);
  Pump();
  ASSERT_EQ(control_->Frame(), nullptr);
  choose(&icon, 1005);
  Pump();
  EXPECT_NE(control_->Frame(), nullptr);
  icon.RemoveIcon();
}

TEST_F(CommandRoutingTest, LogMessagesGoThroughTheLogLibraryOfTheProgramFolderOnly) {
  Open({"a"});
  wxString logFile =
      wxString::FromUTF8((folder_ / "log").string()) + "/" + wxDateTime::Now().FormatISODate() + ".log";
  // Started from a folder that holds a log library, with none in the
  // program folder yet: the stray library is not loaded, nothing is written
  // and nothing breaks.
  fs::path elsewhere = folder_ / "elsewhere";
  fs::create_directories(elsewhere);
  fs::copy_file(fs::path(TWEAKS_BIN_DIR) / "log.so", elsewhere / "log.dll");
  wxString previous = wxGetCwd();
  wxSetWorkingDirectory(wxString::FromUTF8(elsewhere.string()));
  control_->LogMessage(L"before");
  EXPECT_FALSE(wxFileExists(logFile) && wxFFile(logFile).Length() > 0);

  // The library keeps its own name "log.dll" on this platform too.
  fs::copy_file(fs::path(TWEAKS_BIN_DIR) / "log.so", folder_ / "log.dll");
  control_->LogMessage(L"first line");
  control_->LogMessage(L"second line");
  wxSetWorkingDirectory(previous);
  wxString text;
  ASSERT_TRUE(wxFFile(logFile).ReadAll(&text));
  EXPECT_TRUE(text.Contains("first line"));
  EXPECT_TRUE(text.Contains("second line"));
  EXPECT_FALSE(text.Contains("before"));

  // Our own build lays the library down as "log.so": that name is found too.
  fs::remove(folder_ / "log.dll");
  fs::copy_file(fs::path(TWEAKS_BIN_DIR) / "log.so", folder_ / "log.so");
  MainControl other;
  other.LogMessage(L"third line");
  ASSERT_TRUE(wxFFile(logFile).ReadAll(&text));
  EXPECT_TRUE(text.Contains("third line"));
}

}  // namespace
}  // namespace tweaks
