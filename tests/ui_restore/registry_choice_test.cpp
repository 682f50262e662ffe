// The registry to clean, chosen on the settings page: the prefixes found are
// offered, "Other folder..." takes only a prefix, Save turns the program and
// its engine to the chosen registry (a scan then reads it), the stored last
// result is never shown for another registry, and a restore point made from
// one prefix is offered for another only after a question. Started without
// CLARIVO_REGISTRY and WINEPREFIX, so that the settings decide.
#include "app/core/registry_choice.h"

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/core/profile.h"
#include "app/core/program_paths.h"
#include "app/core/reg_scan.h"
#include "app/core/restore_point_store.h"
#include "app/core/scan_result.h"
#include "app/ui/page_restore.h"
#include "app/ui/page_setting.h"
#include "app/ui/registry_label.h"
#include "platform/prefix_discovery.h"
#include "platform/text.h"
#include "tests/ui_restore/restore_test_support.h"

namespace clarivo::ui {
namespace {

namespace fs = std::filesystem;
using restoretest::BaseFolder;
using restoretest::Click;
using restoretest::Pump;
using restoretest::RecordingInterface;
using restoretest::RunOutput;
using restoretest::WriteFile;

std::string Home() { return std::getenv("HOME"); }
std::string DefaultPrefix() { return Home() + "/.wine"; }
std::string OfficePrefix() { return Home() + "/.local/share/wineprefixes/office"; }
std::string Quote(const std::string& text) { return "'" + text + "'"; }

class RegistryChoiceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    unsetenv("CLARIVO_REGISTRY");
    unsetenv("WINEPREFIX");
    // Read now, as the program does at start.
    ASSERT_EQ(EnvironmentRegistryVariable(), "");
    const std::string program = BaseFolder() + "/program";
    fs::create_directories(program);
    WriteFile(program + "/Clarivo.ini", "[Deploy]\nIMAGE=" CLARIVO_BIN_DIR "/Image/\nHtml=" CLARIVO_BIN_DIR
                                        "/Html/\nLANGUAGE=" CLARIVO_BIN_DIR "/Languages/\n");
    fs::create_symlink(CLARIVO_BIN_DIR "/func_Clarivo.so", program + "/func_Clarivo.so");
    SetExecutablePath(program + "/Clarivo");
    SetProfileRoot(kCompanyKey, "registry-choice-test");
    fs::copy(CLARIVO_SOURCE_DIR "/examples/demo-prefix", DefaultPrefix(), fs::copy_options::recursive);
    fs::create_directories(fs::path(OfficePrefix()).parent_path());
    fs::copy(CLARIVO_SOURCE_DIR "/examples/demo-prefix", OfficePrefix(), fs::copy_options::recursive);
    // The office prefix is clean: a scan of it finds nothing.
    std::string output;
    ASSERT_EQ(RunOutput(Quote(CLARIVO_BIN_DIR "/clarivo-cli") + " fix --yes --registry " +
                            Quote("wine:" + OfficePrefix()) + " --backup-dir " + Quote(BaseFolder() + "/cli"),
                        &output),
              0)
        << output;
  }

  void SetUp() override {
    frame_ = new wxFrame(nullptr, wxID_ANY, "settings test", wxPoint(0, 0), wxSize(790, 592));
    page_ = new CPageSetting(frame_);
    frame_->Show();
    Pump(300);
  }
  void TearDown() override {
    frame_->Destroy();
    Pump(100);
  }

  CPageSettingSet* sub_page() const { return static_cast<CPageSettingSet*>(page_->sub_page(0)); }
  CPageSettingSet_1* form() const { return sub_page()->form(); }
  // Chooses item `index` of the registry list as the list's menu does.
  void Choose(int index) {
    CHMXComboBox* list = form()->registry_choice();
    list->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, list->GetId());
    event.SetEventObject(list);
    event.SetInt(index);
    list->ProcessWindowEvent(event);
  }
  int IndexOf(const std::string& folder) const {
    const auto& folders = form()->registry_folders();
    for (size_t i = 0; i < folders.size(); ++i) {
      if (folders[i] == folder) return static_cast<int>(i);
    }
    return -1;
  }
  void ChooseAndSave(const std::string& folder) {
    const int index = IndexOf(folder);
    ASSERT_GE(index, 0) << folder;
    Choose(index);
    ui_.Clear();
    Click(sub_page()->action_button(3));
    ASSERT_EQ(ui_.pages, std::vector<std::string>{"Setting_Success.html"});
  }
  // A full scan of the registry the program cleans now; its total.
  int ScanTotal() {
    CRegScan& controller = CRegScan::GetInstance();
    EXPECT_TRUE(controller.StartScan(3, nullptr));
    return controller.GetResult().total;
  }

  RecordingInterface ui_;
  wxFrame* frame_ = nullptr;
  CPageSetting* page_ = nullptr;
};

TEST_F(RegistryChoiceTest, OffersThePrefixesFoundAndOtherFolderBelowTheSettings) {
  CHMXComboBox* list = form()->registry_choice();
  ASSERT_EQ(list->GetCount(), 3U);
  EXPECT_EQ(list->GetString(0), "~/.wine");
  EXPECT_EQ(list->GetString(1), "~/.local/share/wineprefixes/office");
  EXPECT_EQ(list->GetString(2), "Other folder...");
  // Nothing chosen yet: the default prefix is the one cleaned.
  EXPECT_EQ(list->GetSelection(), 0);
  EXPECT_FALSE(form()->registry_note()->IsShown());
  // Below the form's other controls, which keep their places.
  EXPECT_EQ(form()->FindWindow(1036)->GetPosition(), wxPoint(56, 243));
  EXPECT_GT(list->GetPosition().y, form()->FindWindow(1036)->GetRect().GetBottom());
  EXPECT_EQ(form()->FindWindow(1079)->GetPosition(), wxPoint(50, 290));
  EXPECT_EQ(static_cast<CHMXStatic*>(form()->FindWindow(1079))->text(), "Registry to clean");
}

TEST_F(RegistryChoiceTest, SavingAChoiceTurnsTheScanToThatRegistryAndResultsStayWithTheirRegistry) {
  ApplyRegistryChoice();
  EXPECT_EQ(CurrentRegistryName(), "wine:" + DefaultPrefix());
  EXPECT_EQ(ScanTotal(), 30);
  ScanResult stored;
  ASSERT_TRUE(LoadLastResult(stored));
  EXPECT_EQ(stored.total, 30);
  EXPECT_EQ(LastResultRegistry(), "wine:" + DefaultPrefix());

  ChooseAndSave(OfficePrefix());
  EXPECT_EQ(ChosenRegistry(), OfficePrefix());
  EXPECT_EQ(CurrentRegistryName(), "wine:" + OfficePrefix());
  EXPECT_NE(CurrentRegistryCaption().Find("office"), wxNOT_FOUND) << CurrentRegistryCaption();
  // The result of ~/.wine is not this registry's.
  EXPECT_FALSE(LoadLastResult(stored));
  EXPECT_FALSE(CRegScan::GetInstance().LoadLastResult());
  // The engine reads the office prefix now.
  EXPECT_EQ(ScanTotal(), 0);
  ASSERT_TRUE(LoadLastResult(stored));
  EXPECT_EQ(stored.total, 0);

  ChooseAndSave(DefaultPrefix());
  EXPECT_EQ(CurrentRegistryName(), "wine:" + DefaultPrefix());
  // Office's result is not shown for ~/.wine either; the scan finds its 30.
  EXPECT_FALSE(LoadLastResult(stored));
  EXPECT_EQ(ScanTotal(), 30);
}

TEST_F(RegistryChoiceTest, OtherFolderTakesOnlyAPrefix) {
  const std::string not_prefix = BaseFolder() + "/just-a-folder";
  fs::create_directories(not_prefix);
  const int before = form()->registry_choice()->GetSelection();
  EXPECT_FALSE(form()->AcceptOtherFolder(not_prefix));
  EXPECT_EQ(ui_.pages, std::vector<std::string>{"Not_a_prefix.html"});
  EXPECT_NE(platform::ToUtf8(ui_.bodies[0]).find(not_prefix), std::string::npos);
  EXPECT_EQ(form()->registry_choice()->GetSelection(), before);
  EXPECT_EQ(form()->registry_choice()->GetCount(), 3U);

  const std::string elsewhere = BaseFolder() + "/games/elsewhere";
  fs::create_directories(fs::path(elsewhere).parent_path());
  fs::copy(CLARIVO_SOURCE_DIR "/examples/demo-prefix", elsewhere, fs::copy_options::recursive);
  ui_.Clear();
  EXPECT_TRUE(form()->AcceptOtherFolder(elsewhere));
  EXPECT_TRUE(ui_.pages.empty());
  const int index = IndexOf(elsewhere);
  ASSERT_GE(index, 0);
  EXPECT_EQ(form()->registry_choice()->GetSelection(), index);
  EXPECT_EQ(form()->registry_choice()->GetString(form()->registry_choice()->GetCount() - 1),
            "Other folder...");
  // Offered again next time: it is in the person's own list.
  const auto added = platform::UserAddedPrefixes(platform::DiscoveryPlaces::FromEnvironment());
  EXPECT_NE(std::find(added.begin(), added.end(), elsewhere), added.end());
  // Not yet saved: the registry cleaned is unchanged.
  EXPECT_NE(CurrentRegistryName(), "wine:" + elsewhere);
  Click(sub_page()->action_button(3));
  EXPECT_EQ(CurrentRegistryName(), "wine:" + elsewhere);
  ChooseAndSave(DefaultPrefix());
}

TEST_F(RegistryChoiceTest, ARestorePointOfOnePrefixIsOfferedForAnotherOnlyAfterAQuestion) {
  ChooseAndSave(DefaultPrefix());
  RestorePointStore& store = RestorePointStore::GetInstance();
  store.listener = nullptr;
  store.create_mode = true;
  ASSERT_TRUE(store.Run()) << store.last_error();
  const int point = static_cast<int>(store.points().size()) - 1;

  ChooseAndSave(OfficePrefix());
  auto* restore_page = new CPageRestore(frame_);
  restore_page->Show();
  page_->Hide();
  restore_page->ReloadList();
  Pump(300);
  wxListBox* list = restore_page->list_page()->view()->list();
  EXPECT_TRUE(list->GetString(static_cast<unsigned>(point)).EndsWith("(~/.wine)"));
  ASSERT_TRUE(restoretest::ClickLine(list, point));
  ui_.Clear();
  ui_.answers = {kDialogYes, kDialogNo};
  Click(restore_page->list_page()->action_button(3));
  Pump(500);
  EXPECT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Restore_other_registry.html"}));
  EXPECT_FALSE(store.busy());
  restore_page->Hide();
  page_->Show();
  Pump(200);
  ChooseAndSave(DefaultPrefix());
}

}  // namespace
}  // namespace clarivo::ui
