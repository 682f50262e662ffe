// The restore pages driven by real clicks: the list of restore points in the
// store's order, delete and restore with their confirmations, a restore that
// brings removed findings back, a failed restore, a registry held by a
// wineserver, the busy guard, and a point made from another registry.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <wx/frame.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/core/ini.h"
#include "app/core/ole_date.h"
#include "app/core/profile.h"
#include "app/core/program_paths.h"
#include "app/core/restore_point_store.h"
#include "app/ui/page_restore.h"
#include "platform/text.h"
#include "platform/wineserver_lock.h"
#include "tests/ui_restore/restore_test_support.h"

namespace clarivo::ui {
namespace {

namespace fs = std::filesystem;
using restoretest::BaseFolder;
using restoretest::Click;
using restoretest::ClickLine;
using restoretest::Pump;
using restoretest::ReadFile;
using restoretest::RecordingInterface;
using restoretest::RunOutput;
using restoretest::WriteFile;

constexpr int kDeleteButton = CSubPageBase::kFirstActionId + 2;
constexpr int kRestoreButton = CSubPageBase::kFirstActionId + 3;

std::string PrefixA() { return BaseFolder() + "/prefixA"; }
std::string PrefixB() { return BaseFolder() + "/prefixB"; }
std::string Bin(const char* tool) { return std::string(CLARIVO_BIN_DIR) + "/" + tool; }
std::string Quote(const std::string& text) { return "'" + text + "'"; }

OleDateTime Date(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  return {OleDateFromTm(local), kOleDateValid};
}

// What clarivo-cli's scan prints for a prefix, and its exit status.
int Scan(const std::string& prefix, std::string* output) {
  return RunOutput(Quote(Bin("clarivo-cli")) + " scan --registry " + Quote("wine:" + prefix), output);
}

class RestorePageTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string program = BaseFolder() + "/program";
    fs::create_directories(program);
    WriteFile(program + "/Clarivo.ini", "[Deploy]\nIMAGE=" CLARIVO_BIN_DIR "/Image/\nHtml=" CLARIVO_BIN_DIR
                                        "/Html/\nLANGUAGE=" CLARIVO_BIN_DIR "/Languages/\n");
    SetExecutablePath(program + "/Clarivo");
    SetProfileRoot(kCompanyKey, "restore-test");
    for (const std::string& prefix : {PrefixA(), PrefixB()}) {
      fs::copy(CLARIVO_SOURCE_DIR "/examples/demo-prefix", prefix, fs::copy_options::recursive);
    }
    setenv("CLARIVO_REGISTRY", ("wine:" + PrefixA()).c_str(), 1);
    // The store is read once, on first use: it starts with points out of
    // date order, one without a valid time and one with a null time.
    const std::string store = DefaultStoreFolder();
    fs::create_directories(store);
    const std::vector<RestorePoint> points = {{u"", Date(2026, 3, 5, 10, 20, 30)},
                                              {u"", Date(2024, 1, 2, 3, 4, 5)},
                                              {u"", {0.0, kOleDateInvalid}},
                                              {u"", {0.0, kOleDateNull}}};
    const std::vector<std::uint8_t> bytes = SerializeRestorePoints(points);
    WriteFile(store + kListFileName, std::string(bytes.begin(), bytes.end()));
    fs::create_directories(store + "240102030405");
    WriteFile(store + "240102030405/reg.reg", "old export");
  }

  void SetUp() override {
    frame_ = new wxFrame(nullptr, wxID_ANY, "restore test", wxPoint(0, 0), wxSize(790, 592));
    page_ = new CPageRestore(frame_);
    frame_->Show();
    Pump(300);
  }

  void TearDown() override {
    Pump(300, [] { return !RestorePointStore::GetInstance().busy(); });
    frame_->Destroy();
    Pump(100);
  }

  CPageRestoreList_1* view() const { return page_->list_page()->view(); }
  wxListBox* list() const { return view()->list(); }
  // A control of the view, or else of the sub-page (the action buttons).
  wxWindow* Control(int id) const {
    wxWindow* found = view()->FindWindow(id);
    return found != nullptr ? found : page_->list_page()->FindWindow(id);
  }
  std::vector<wxString> Lines() const {
    std::vector<wxString> lines;
    for (unsigned i = 0; i < list()->GetCount(); ++i) lines.push_back(list()->GetString(i));
    return lines;
  }
  bool Select(int line) {
    if (!ClickLine(list(), line)) {
      ADD_FAILURE() << "line " << line << " not found among " << list()->GetCount();
      return false;
    }
    EXPECT_EQ(list()->GetSelection(), line);
    return list()->GetSelection() == line;
  }
  // Clicks Restore with `answers` queued and waits for the restore (if one
  // starts) to end.
  void RestoreLine(int line, std::initializer_list<int> answers) {
    ASSERT_TRUE(Select(line));
    ui_.answers.assign(answers);
    Click(Control(kRestoreButton));
    EXPECT_TRUE(Pump(60000, [this] { return !view()->restoring(); }));
  }
  // A new restore point of the registry CLARIVO_REGISTRY names, made as the
  // fix makes it; its index.
  int MakePoint() {
    RestorePointStore& store = RestorePointStore::GetInstance();
    store.listener = nullptr;
    store.create_mode = true;
    EXPECT_TRUE(store.Run()) << store.last_error();
    page_->ReloadList();
    Pump(200);
    return static_cast<int>(store.points().size()) - 1;
  }

  RecordingInterface ui_;
  wxFrame* frame_ = nullptr;
  CPageRestore* page_ = nullptr;
};

TEST_F(RestorePageTest, ListsThePointsInTheStoreOrderWithTheirIndex) {
  const std::vector<wxString> expected = {
      wxString::FromUTF8(FormatOleDate(Date(2026, 3, 5, 10, 20, 30).date, "%x %X")),
      wxString::FromUTF8(FormatOleDate(Date(2024, 1, 2, 3, 4, 5).date, "%x %X")), "Invalid DateTime", ""};
  EXPECT_EQ(Lines(), expected);
  for (unsigned i = 0; i < list()->GetCount(); ++i) {
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(list()->GetClientData(i)), static_cast<std::intptr_t>(i));
  }
  EXPECT_FALSE(list()->HasFlag(wxLB_SORT));
  // The page's texts and the two actions.
  EXPECT_TRUE(Control(1043)->IsShown());
  EXPECT_TRUE(Control(1077)->IsShown());
  EXPECT_TRUE(Control(1078)->IsShown());
  EXPECT_TRUE(Control(1044)->IsShown());
  EXPECT_FALSE(Control(1055)->IsShown());
  EXPECT_EQ(Control(1055)->GetPosition(), wxPoint(89, 77));
  EXPECT_FALSE(view()->animation()->IsShown());
  EXPECT_FALSE(view()->animation()->running());
  EXPECT_EQ(view()->animation()->GetPosition(), wxPoint(45, 72));
  EXPECT_TRUE(view()->animation()->loaded());
  auto* remove = static_cast<CButton4Status*>(Control(kDeleteButton));
  auto* restore = static_cast<CButton4Status*>(Control(kRestoreButton));
  EXPECT_EQ(remove->text(), "Delete selected");
  EXPECT_EQ(restore->text(), "Restore");
  EXPECT_TRUE(remove->IsShown() && remove->IsEnabled());
  EXPECT_TRUE(restore->IsShown() && restore->IsEnabled());
  // The view keeps its lines and their order when a line is chosen.
  ASSERT_TRUE(Select(1));
  EXPECT_EQ(view()->SelectedIndex(), 1);
  EXPECT_EQ(Lines(), expected);
}

TEST_F(RestorePageTest, DeleteAsksFirstNoChangesNothingYesRemovesThePointAndItsFolder) {
  RestorePointStore& store = RestorePointStore::GetInstance();
  const std::string folder = store.folder() + "240102030405/";
  const std::string list_before = ReadFile(store.ListPath());
  const std::vector<wxString> before = Lines();
  ASSERT_EQ(before.size(), 4U);

  // Nothing selected: both actions say so and change nothing.
  Click(Control(kDeleteButton));
  Click(Control(kRestoreButton));
  EXPECT_EQ(ui_.pages, (std::vector<std::string>{"Noitemselected.html", "Noitemselected.html"}));
  EXPECT_EQ(ui_.sizes, (std::vector<HtmlDialogSize>{HtmlDialogSize::kSmall, HtmlDialogSize::kSmall}));

  ui_.Clear();
  ASSERT_TRUE(Select(1));
  ui_.answers = {kDialogNo};
  Click(Control(kDeleteButton));
  EXPECT_EQ(ui_.pages, std::vector<std::string>{"Restoredelete.html"});
  EXPECT_EQ(Lines(), before);
  EXPECT_EQ(ReadFile(store.ListPath()), list_before);
  EXPECT_TRUE(fs::exists(folder));

  ui_.Clear();
  ASSERT_TRUE(Select(1));
  ui_.answers = {kDialogYes};
  Click(Control(kDeleteButton));
  EXPECT_EQ(ui_.pages, std::vector<std::string>{"Restoredelete.html"});
  EXPECT_EQ(Lines(), (std::vector<wxString>{before[0], before[2], before[3]}));
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(store.points().size(), 3U);
  EXPECT_EQ(list()->GetSelection(), wxNOT_FOUND);

  // The rest go too; with an empty list both actions find nothing selected.
  for (int i = 0; i < 3; ++i) {
    ui_.answers = {kDialogYes};
    ASSERT_TRUE(Select(0));
    Click(Control(kDeleteButton));
  }
  EXPECT_EQ(list()->GetCount(), 0U);
  EXPECT_TRUE(store.points().empty());
  ui_.Clear();
  Click(Control(kDeleteButton));
  Click(Control(kRestoreButton));
  EXPECT_EQ(ui_.pages, (std::vector<std::string>{"Noitemselected.html", "Noitemselected.html"}));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(RestorePageTest, RestoreOfABackupBringsTheRemovedFindingsBack) {
  std::string found_before;
  ASSERT_EQ(Scan(PrefixA(), &found_before), 1) << found_before;
  ASSERT_NE(ReadFile(PrefixA() + "/system.reg").find("Old.Control"), std::string::npos);
  const int point = MakePoint();
  ASSERT_EQ(list()->GetCount(), static_cast<unsigned>(point + 1));
  // The line names the registry the point was made from.
  EXPECT_TRUE(list()->GetString(static_cast<unsigned>(point)).EndsWith("(" + PrefixA() + ")"))
      << list()->GetString(static_cast<unsigned>(point));

  std::string output;
  ASSERT_EQ(RunOutput(Quote(Bin("clarivo-cli")) + " fix --yes --registry " + Quote("wine:" + PrefixA()) +
                          " --backup-dir " + Quote(BaseFolder() + "/cli-backups"),
                      &output),
            0)
      << output;
  ASSERT_EQ(Scan(PrefixA(), &output), 0) << output;
  ASSERT_EQ(ReadFile(PrefixA() + "/system.reg").find("Old.Control"), std::string::npos);

  // No: nothing is restored.
  RestoreLine(point, {kDialogNo});
  EXPECT_EQ(ui_.pages, std::vector<std::string>{"Restoreconfirm.html"});
  EXPECT_EQ(Scan(PrefixA(), &output), 0) << output;

  ui_.Clear();
  RestoreLine(point, {kDialogYes});
  EXPECT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Restore_success.html"}));
  EXPECT_TRUE(ui_.messages.empty());
  std::string found_after;
  EXPECT_EQ(Scan(PrefixA(), &found_after), 1);
  EXPECT_EQ(found_after, found_before);
  EXPECT_NE(ReadFile(PrefixA() + "/system.reg").find("Old.Control"), std::string::npos);
  // Back to the idle state, the list refilled.
  EXPECT_FALSE(Control(1055)->IsShown());
  EXPECT_TRUE(Control(1077)->IsShown());
  EXPECT_TRUE(Control(1078)->IsShown());
  EXPECT_FALSE(view()->animation()->IsShown());
  EXPECT_FALSE(view()->animation()->running());
  EXPECT_EQ(list()->GetCount(), static_cast<unsigned>(point + 1));
}

TEST_F(RestorePageTest, ARestoreThatFailsIsReportedAsFailedAndChangesNothing) {
  RestorePointStore& store = RestorePointStore::GetInstance();
  const int damaged = MakePoint();
  WriteFile(store.PointFolder(store.points()[static_cast<size_t>(damaged)]) + kMachineBackupFile,
            "this is no registry export\n");
  const std::string system_before = ReadFile(PrefixA() + "/system.reg");
  const std::string user_before = ReadFile(PrefixA() + "/user.reg");

  RestoreLine(damaged, {kDialogYes});
  ASSERT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Restore_failed.html"}));
  EXPECT_EQ(ui_.sizes[1], HtmlDialogSize::kMedium);
  EXPECT_FALSE(ui_.bodies[1].empty());
  // One message, the page's: the store shows nothing of its own.
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ReadFile(PrefixA() + "/system.reg"), system_before);
  EXPECT_EQ(ReadFile(PrefixA() + "/user.reg"), user_before);

  // A point whose folder is gone.
  const int missing = MakePoint();
  fs::remove_all(store.PointFolder(store.points()[static_cast<size_t>(missing)]));
  ui_.Clear();
  RestoreLine(missing, {kDialogYes});
  ASSERT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Restore_failed.html"}));
  EXPECT_NE(platform::ToUtf8(ui_.bodies[1]).find("reg.reg"), std::string::npos)
      << platform::ToUtf8(ui_.bodies[1]);
  EXPECT_EQ(ReadFile(PrefixA() + "/system.reg"), system_before);

  // The store reports its failures itself again for the other pages.
  EXPECT_TRUE(store.show_failures);
  // A good point still restores afterwards.
  const int good = MakePoint();
  ui_.Clear();
  RestoreLine(good, {kDialogYes});
  EXPECT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Restore_success.html"}));
}

TEST_F(RestorePageTest, NothingStartsWhileAWineserverHoldsThePrefix) {
  const int point = MakePoint();
  // A running wineserver, as Wine leaves it: the prefix names the server's
  // folder, whose lock file a live process holds.
  const std::string server_name = fs::path(BaseFolder()).filename().string() + "-server";
  WriteFile(PrefixA() + "/wineserver", server_name + "\n");
  const std::string lock = platform::WineserverLockPath(PrefixA());
  ASSERT_FALSE(lock.empty());
  fs::create_directories(fs::path(lock).parent_path());
  const std::string system_before = ReadFile(PrefixA() + "/system.reg");
  {
    restoretest::LockHolder server(lock);
    ASSERT_TRUE(server.locked());
    ASSERT_TRUE(Select(point));
    ui_.answers = {kDialogYes};
    Click(Control(kRestoreButton));
    Pump(300);
    ASSERT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Registry_locked.html"}));
    EXPECT_EQ(ui_.sizes[1], HtmlDialogSize::kMedium);
    EXPECT_NE(platform::ToUtf8(ui_.bodies[1]).find(PrefixA()), std::string::npos)
        << platform::ToUtf8(ui_.bodies[1]);
    EXPECT_FALSE(view()->restoring());
    EXPECT_FALSE(RestorePointStore::GetInstance().busy());
    EXPECT_FALSE(Control(1055)->IsShown());
    EXPECT_EQ(ReadFile(PrefixA() + "/system.reg"), system_before);
  }
  fs::remove_all("/tmp/" + server_name);
  fs::remove(PrefixA() + "/wineserver");
  ui_.Clear();
  RestoreLine(point, {kDialogYes});
  EXPECT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Restore_success.html"}));
}

TEST_F(RestorePageTest, WhileARestoreRunsThePageShowsItAndEveryActionIsBusy) {
  const int point = MakePoint();
  // A slow command interpreter keeps the restore running while we click.
  const std::string slow = BaseFolder() + "/slow-sh";
  WriteFile(slow, "#!/bin/sh\nsleep 3\nexec /bin/sh \"$@\"\n");
  fs::permissions(slow, fs::perms::owner_all);
  setenv("COMSPEC", slow.c_str(), 1);
  ASSERT_TRUE(Select(point));
  ui_.answers = {kDialogYes};
  Click(Control(kRestoreButton));
  ASSERT_TRUE(view()->restoring());
  EXPECT_TRUE(RestorePointStore::GetInstance().busy());
  EXPECT_TRUE(Control(1055)->IsShown());
  EXPECT_FALSE(Control(1077)->IsShown());
  EXPECT_FALSE(Control(1078)->IsShown());
  EXPECT_TRUE(view()->animation()->IsShown());
  EXPECT_TRUE(view()->animation()->running());

  ui_.Clear();
  Click(Control(kDeleteButton));
  Click(Control(kRestoreButton));
  Click(page_->left_button(0));
  EXPECT_EQ(ui_.pages, (std::vector<std::string>{"Busy.html", "Busy.html", "Busy.html"}));
  EXPECT_EQ(list()->GetCount(), static_cast<unsigned>(point + 1));

  EXPECT_TRUE(Pump(30000, [this] { return !view()->restoring(); }));
  unsetenv("COMSPEC");
  EXPECT_EQ(ui_.pages.back(), "Restore_success.html");
  EXPECT_FALSE(Control(1055)->IsShown());
  EXPECT_TRUE(Control(1077)->IsShown());
  EXPECT_FALSE(view()->animation()->running());
}

TEST_F(RestorePageTest, APointOfAnotherRegistryIsRestoredOnlyAfterAQuestion) {
  // Prefix B gets a key of its own, then a restore point.
  const std::string mark = BaseFolder() + "/mark.reg";
  WriteFile(mark,
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\OnlyInB]\r\n"
            "\"Mark\"=\"b\"\r\n");
  std::string output;
  ASSERT_EQ(RunOutput("CLARIVO_REGISTRY=" + Quote("wine:" + PrefixB()) + " " + Quote(Bin("clarivo-regedit")) +
                          " /s " + Quote(mark),
                      &output),
            0);
  setenv("CLARIVO_REGISTRY", ("wine:" + PrefixB()).c_str(), 1);
  const int from_b = MakePoint();
  setenv("CLARIVO_REGISTRY", ("wine:" + PrefixA()).c_str(), 1);
  page_->ReloadList();
  EXPECT_TRUE(list()->GetString(static_cast<unsigned>(from_b)).EndsWith("(" + PrefixB() + ")"));

  const std::string system_before = ReadFile(PrefixA() + "/system.reg");
  RestoreLine(from_b, {kDialogYes, kDialogNo});
  ASSERT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Restore_other_registry.html"}));
  const std::string body = platform::ToUtf8(ui_.bodies[1]);
  EXPECT_NE(body.find(PrefixB()), std::string::npos) << body;
  EXPECT_NE(body.find(PrefixA()), std::string::npos) << body;
  EXPECT_EQ(ReadFile(PrefixA() + "/system.reg"), system_before);

  ui_.Clear();
  RestoreLine(from_b, {kDialogYes, kDialogYes});
  EXPECT_EQ(ui_.pages, (std::vector<std::string>{"Restoreconfirm.html", "Restore_other_registry.html",
                                                 "Restore_success.html"}));
  EXPECT_NE(ReadFile(PrefixA() + "/system.reg").find("OnlyInB"), std::string::npos);
  // The consent held for that one restore only.
  EXPECT_FALSE(RestorePointStore::GetInstance().into_other_registry);
}

}  // namespace
}  // namespace clarivo::ui
