// The grid list and the scan pages in the test process: rows, colours and
// sorting of the grid; the location line; the summary's order and colours;
// the detail list's order; the fixed view when the rescan still finds
// entries; the fixing view after a backup that failed.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/core/profile.h"
#include "app/core/program_paths.h"
#include "app/core/reg_scan.h"
#include "app/core/restore_point_store.h"
#include "app/core/scan_result.h"
#include "app/core/user_interface.h"
#include "app/ui/grid_list.h"
#include "app/ui/page_fixing.h"
#include "app/ui/page_scan.h"

namespace clarivo::ui {
namespace {

void Pump(int ms, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    wxTheApp->Yield(true);
    if (done()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

class Recording : public IUserInterface {
 public:
  Recording() { previous_ = SetUserInterface(this); }
  ~Recording() override { SetUserInterface(previous_); }
  void MessageBox(const std::u16string&) override { ++messages; }
  int ShowHtmlMessage(const std::string& page, HtmlDialogSize, const std::u16string&,
                      const std::u16string&) override {
    pages.push_back(page);
    return kDialogOk;
  }
  bool AskYesNo(const std::u16string&) override { return false; }
  void ShowMainWindow() override {}
  int messages = 0;
  std::vector<std::string> pages;

 private:
  IUserInterface* previous_;
};

// A program folder with the real skin images and a profile of its own.
class ScanPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string base = std::getenv("CLARIVO_SCAN_TEST_BASE");
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = base + "/" + name;
    ASSERT_EQ(std::system(("mkdir -p '" + folder_ + "'").c_str()), 0);
    std::ofstream(folder_ + "/Clarivo.ini") << "[Deploy]\nIMAGE=" CLARIVO_BIN_DIR "/Image/\n";
    SetExecutablePath(folder_ + "/Clarivo");
    SetProfileRoot(kCompanyKey, name);
    frame_ = new wxFrame(nullptr, wxID_ANY, "test", wxPoint(0, 0), wxSize(800, 600));
    frame_->Show();
  }
  void TearDown() override { frame_->Destroy(); }

  static ScanResult Result(std::initializer_list<std::pair<std::int32_t, int>> counts, int level) {
    ScanResult result;
    result.has_result = true;
    result.health_level = level;
    for (auto [bit, count] : counts) {
      auto& list = result.findings[bit];
      for (int i = 0; i < count; ++i) {
        list.push_back(
            ScanResultItem{u"HKEY_CLASSES_ROOT\\k" + std::u16string(1, char16_t(u'a' + i)), bit, i});
      }
      ((bit & 0x1005) != 0 ? result.serious : result.general) += count;
    }
    result.total = result.serious + result.general;
    return result;
  }

  std::string folder_;
  wxFrame* frame_ = nullptr;
};

TEST(GridListTest, RowsColoursAndSorting) {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "grid");
  auto* grid = new CGridListCtrlEx(frame, 1, wxPoint(0, 0), wxSize(400, 300));
  CMyTrait trait;
  EXPECT_EQ(grid->RowColour(0), 0x008000u);
  grid->SetExtendedStyle(kFullRowSelect | kHeaderDragDrop);
  EXPECT_EQ(grid->InsertColumn(0, "Name", kColumnLeft, 200), 0);
  EXPECT_EQ(grid->InsertColumn(1, "Count", kColumnRight, 100), 1);
  EXPECT_TRUE(grid->GetColumn(0)->IsReorderable());
  EXPECT_EQ(grid->GetColumn(1)->GetAlignment(), wxALIGN_RIGHT);
  grid->SetRowTrait(&trait);
  EXPECT_EQ(grid->AppendItem("beta", 3), 0);
  EXPECT_EQ(grid->AppendItem("alpha", 1), 1);
  EXPECT_EQ(grid->InsertItem(0, "gamma"), 0);
  grid->SetItemText(0, 1, "2");
  EXPECT_EQ(grid->GetItemCount(), 3);
  EXPECT_EQ(grid->GetItemText(1), "beta");
  EXPECT_EQ(grid->GetItemImage(1), 3);
  EXPECT_EQ(grid->GetItemText(0, 1), "2");
  trait.SetColour(1, 0x1201E4);
  EXPECT_EQ(grid->RowColour(1), 0x1201E4u);
  EXPECT_EQ(grid->RowColour(2), 0x008000u);
  grid->SortByColumn(0, true);
  EXPECT_EQ(grid->GetItemText(0), "alpha");
  EXPECT_EQ(grid->GetItemText(2), "gamma");
  EXPECT_EQ(grid->GetItemImage(0), 1);
  grid->SortByColumn(0, false);
  EXPECT_EQ(grid->GetItemText(0), "gamma");
  grid->DeleteAllItems();
  EXPECT_EQ(grid->GetItemCount(), 0);
  std::vector<std::vector<wxString>> many;
  for (int i = 0; i < 20000; ++i) many.push_back({"type", wxString::Format("key %d", i)});
  grid->AppendRows(std::move(many));
  EXPECT_EQ(grid->GetItemCount(), 20000);
  EXPECT_EQ(grid->GetItemText(19999, 1), "key 19999");
  frame->Destroy();
}

TEST(LocationLineTest, CutAtSixtyCharacters) {
  const std::u16string fifty(50, u'x');
  const wxString line = LocationLine(fifty);
  EXPECT_EQ(line.length(), 60u);
  EXPECT_TRUE(line.EndsWith("..."));
  EXPECT_EQ(line.Left(57), ("Scanning on: " + wxString(50, 'x')).Left(57));
  const std::u16string short_text(47, u'y');  // exactly 60 with the prefix: kept whole
  EXPECT_EQ(LocationLine(short_text), "Scanning on: " + wxString(47, 'y'));
}

TEST_F(ScanPagesTest, SummaryOrderAndColours) {
  Recording ui;
  // Equal counts: the higher category first; no findings: green "ok".
  ASSERT_TRUE(SaveLastResult(Result({{0x0001, 0}, {0x0004, 2}, {0x1000, 2}, {0x0002, 1}, {0x0080, 4}}, 3)));
  auto* view = new CResultView(frame_);
  view->Refill();
  CGridListCtrlEx* serious = view->serious_grid();
  ASSERT_EQ(serious->GetItemCount(), 3);
  EXPECT_EQ(serious->GetItemText(0), "Unused file extensions");
  EXPECT_EQ(serious->GetItemText(1), "Invalid ActiveX,COM section");
  EXPECT_EQ(serious->GetItemText(2), "Invalid shared DLLs");
  EXPECT_EQ(serious->GetItemText(0, 1), "2     error(s) found");
  EXPECT_EQ(serious->GetItemText(2, 1), "ok");
  EXPECT_EQ(serious->RowColour(0), 0x1201E4u);
  EXPECT_EQ(serious->RowColour(2), 0x008000u);
  EXPECT_EQ(serious->GetItemImage(0), 0 + 11 + 3);  // 0x1000 with findings
  EXPECT_EQ(serious->GetItemImage(2), 4);           // 0x0001 without
  CGridListCtrlEx* general = view->general_grid();
  ASSERT_EQ(general->GetItemCount(), 2);
  EXPECT_EQ(general->GetItemText(0), "Invalid Multilanguage User Interface cache");
  EXPECT_EQ(general->GetItemText(1), "Invalid file associations");
}

TEST_F(ScanPagesTest, DetailListHasTheLastFindingOfTheHighestCategoryFirst) {
  Recording ui;
  ASSERT_TRUE(SaveLastResult(Result({{0x0001, 2}, {0x1000, 3}}, 3)));
  auto* view = new CResultViewDetail(frame_);
  view->Refill();
  CGridListCtrlEx* grid = view->grid();
  ASSERT_EQ(grid->GetItemCount(), 5);
  EXPECT_EQ(grid->GetItemText(0), "Unused file extensions");
  EXPECT_EQ(grid->GetItemText(0, 1), "HKEY_CLASSES_ROOT\\kc");
  EXPECT_EQ(grid->GetItemText(4), "Invalid shared DLLs");
  EXPECT_EQ(grid->GetItemText(4, 1), "HKEY_CLASSES_ROOT\\ka");
}

TEST_F(ScanPagesTest, FixedViewSaysHowManyRemainWhenTheRescanFindsSome) {
  Recording ui;
  auto* page = new CPageScanResult(frame_);
  ASSERT_TRUE(SaveLastResult(Result({{0x0004, 3}}, 3)));
  page->ShowFixed(10);
  EXPECT_EQ(page->current_view(), 3);
  auto* result_line = static_cast<CHMXStatic*>(page->fixed()->FindWindow(1112));
  auto* second = static_cast<CHMXStatic*>(page->fixed()->FindWindow(1111));
  EXPECT_EQ(result_line->text(), "You have repaired 7 registry errors.");
  EXPECT_EQ(second->text(), "3 registry errors could not be removed.");
  ASSERT_TRUE(SaveLastResult(Result({{0x0004, 0}}, 4)));
  page->ShowFixed(10);
  EXPECT_EQ(result_line->text(), "You have repaired 10 registry errors.");
  EXPECT_EQ(second->text(), "All your registry errors have been fixed.");
  EXPECT_EQ(page->action_button(3)->text(), "Back to overview");
}

TEST_F(ScanPagesTest, FailedBackupDeletesNothingAndOffersBackToOverview) {
  Recording ui;
  ASSERT_TRUE(SaveLastResult(Result({{0x0004, 3}, {0x0002, 4}}, 3)));
  // A store whose folder cannot be made: the backup fails.
  RestorePointStore store("/proc/clarivo-no-such-folder/");
  CRegScan& controller = CRegScan::GetInstance();
  controller.set_backup_store(&store);
  auto* page = new CPageScanResult(frame_);
  page->ShowView(2);
  page->fixing()->StartFixing();
  EXPECT_EQ(page->fixing()->errors_to_fix(), 7);
  bool saw_busy = false;
  Pump(10000, [&] {
    saw_busy = saw_busy || controller.busy();
    return page->fixing()->refused();
  });
  EXPECT_TRUE(page->fixing()->refused());
  EXPECT_FALSE(saw_busy) << "no fix run may start after a failed backup";
  auto* heading = static_cast<CHMXStatic*>(page->fixing()->FindWindow(1104));
  EXPECT_EQ(heading->text(), "The backup could not be saved");
  EXPECT_EQ(page->current_view(), 2);
  EXPECT_TRUE(page->action_button(3)->IsShown());
  EXPECT_EQ(page->action_button(3)->text(), "Back to overview");
  ScanResult stored;
  ASSERT_TRUE(LoadLastResult(stored));
  EXPECT_EQ(stored.serious + stored.general, 7);
  controller.set_backup_store(nullptr);
}

}  // namespace
}  // namespace clarivo::ui
