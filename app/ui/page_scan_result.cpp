// The result sub-page of the scan page and its views: summary, detail list,
// fixing (page_fixing.cpp), fixed, and the view for a scan that found nothing.
#include <algorithm>
#include <utility>
#include <vector>

#include "app/core/categories.h"
#include "app/core/health.h"
#include "app/core/user_interface.h"
#include "app/ui/main_window.h"
#include "app/ui/page_fixing.h"
#include "app/ui/page_overview.h"
#include "app/ui/page_scan.h"
#include "app/ui/registry_label.h"
#include "app/ui/registry_write_check.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {
namespace {

constexpr int kBestLevel = 4;
// The line naming the registry the figures are about.
constexpr std::uint32_t kRegistryGrey = 0x787878;

wxString Numbered(const char* message_id, int number) {
  return FromU16(FormatNumber(ToU16(Tr(message_id)), number));
}

CGridListCtrlEx* MakeCategoryGrid(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size,
                                  CMyTrait& trait) {
  auto* grid = new CGridListCtrlEx(parent, id, pos, size, false);
  grid->SetExtendedStyle(kFullRowSelect | kHeaderDragDrop);
  grid->InsertColumn(0, Tr("Errors category"), kColumnLeft, 360);
  grid->InsertColumn(1, Tr("Errors"), kColumnLeft, 165);
  grid->SetImageList(&GetCategoryImageList());
  grid->SetRowTrait(&trait);
  grid->SetRowHeight(21);
  return grid;
}

}  // namespace

// --- view 0: summary -----------------------------------------------------------------

CResultView::CResultView(wxWindow* parent) : CSubSubPageBase(parent, "PageScanResult.png") {
  MakeViewLabel(this, 1120, wxPoint(139, 17), Tr("Scan results:"), 10, true);
  status_[0] = MakeViewLabel(this, 1121, wxPoint(139, 39), wxString(), 9, true);
  status_[1] = MakeViewLabel(this, 1122, wxPoint(139, 89), wxString(), 9, true);
  auto* score_title = MakeViewLabel(this, kScoreTitleId, wxPoint(428, 37), Tr("PC health score:"), 10, true);
  status_[2] = MakeViewLabel(this, 1124, wxPoint(537, 34), wxString(), 13, true);
  KeepLeftOf(score_title, status_[2]);
  status_[3] = MakeViewLabel(this, 1125, wxPoint(409, 82), wxString(), 9, true);
  registry_ = MakeViewLabel(this, 1132, wxPoint(139, 105), wxString(), 8, false, kRegistryGrey);
  MakeViewLabel(this, 1126, wxPoint(28, 154), Tr("Errors category"), 9, true);
  MakeViewLabel(this, 1127, wxPoint(392, 154), Tr("Errors"), 9, true);
  MakeViewLabel(this, 1128, wxPoint(50, 181), Tr("Serious errors affect PC Stability and security"), 10,
                true);
  MakeViewLabel(this, 1129, wxPoint(50, 273), Tr("General errors slowing down PC performance"), 10, true);
  serious_ = MakeCategoryGrid(this, 1130, wxPoint(28, 201), wxSize(530, 66), serious_trait_);
  general_ = MakeCategoryGrid(this, 1131, wxPoint(28, 293), wxSize(530, 168), general_trait_);
}

void CResultView::FillGrid(CGridListCtrlEx* grid, CMyTrait& trait, std::int32_t mask) {
  grid->DeleteAllItems();
  trait.Clear();
  ScanResult stored;
  if (!LoadLastResult(stored)) return;
  std::vector<std::pair<int, std::int32_t>> pairs;
  for (const auto& [bit, findings] : stored.findings) {
    if ((bit & mask) == 0) continue;
    pairs.emplace_back(static_cast<int>(findings.size()), bit);
  }
  std::stable_sort(pairs.begin(), pairs.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  // Most findings first; among equal counts the higher category first.
  for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) {
    const auto [count, bit] = *it;
    const int row = grid->AppendItem(FromU16(GetCategoryName(bit)), GetCategoryImage(bit, count > 0));
    grid->SetItemText(row, 1, count > 0 ? Numbered("%d     error(s) found", count) : Tr("ok"));
    trait.SetColour(row, count > 0 ? kColourRed : kColourGreen);
  }
}

void CResultView::Refill() {
  FillGrid(general_, general_trait_, kGeneralMask);
  FillGrid(serious_, serious_trait_, kSeriousMask);
  ScanResult result;
  LabelAdapter errors(status_[0]), last_scan(status_[1]), score(status_[2]), status(status_[3]);
  SetStatusTexts(result, &errors, &last_scan, &score, &status, false);
  ScanResult stored;
  has_result_ = LoadLastResult(stored);
  level_ = has_result_ ? stored.health_level : 1;
  FitStatusLabels(this, status_, wxPoint(409, 82));
  registry_->SetText(CurrentRegistryCaption());
  wxWindow::Refresh();
}

void CResultView::PaintExtras(wxDC& dc) {
  if (has_result_) {
    const wxBitmap& status = GetImage(GetStatusImage(level_));
    if (status.IsOk()) dc.DrawBitmap(status, 18, 11, true);
  }
  ScanResult result;
  const wxBitmap& meter = GetImage(GetOverviewImage(result));
  if (meter.IsOk()) dc.DrawBitmap(meter, 436, 59, true);
}

// --- view 1: detail --------------------------------------------------------------------

CResultViewDetail::CResultViewDetail(wxWindow* parent) : CSubSubPageBase(parent, "Detialveiw.png") {
  grid_ = new CGridListCtrlEx(this, 1140, wxPoint(10, 10), wxSize(556, 446));
  grid_->SetExtendedStyle(kFullRowSelect | kHeaderDragDrop);
  grid_->InsertColumn(0, Tr("Error type"), kColumnLeft, 120);
  grid_->InsertColumn(1, Tr("Detail"), kColumnLeft, 1000);
}

void CResultViewDetail::Refill() {
  grid_->DeleteAllItems();
  ScanResult stored;
  if (!LoadLastResult(stored)) return;
  std::vector<std::vector<wxString>> rows;
  for (const auto& [bit, findings] : stored.findings) {
    const wxString name = FromU16(GetCategoryName(bit));
    for (const ScanResultItem& item : findings) rows.push_back({name, FromU16(item.text)});
  }
  // Each finding goes in at the top: the last finding of the highest
  // category comes first.
  std::reverse(rows.begin(), rows.end());
  grid_->AppendRows(std::move(rows));
}

// --- view 4: nothing found ---------------------------------------------------------------

CResultViewNoErr::CResultViewNoErr(wxWindow* parent) : CSubSubPageBase(parent, "Pagedone.png") {
  MakeViewLabel(this, 1150, wxPoint(21, 14), Tr("Registry scan complete"), 16, true);
  const int right_limit = GetClientSize().x - 4;
  ShrinkToWidth(MakeViewLabel(this, 1151, wxPoint(142, 105), Tr("Congratulations!"), 15, true, kColourGreen),
                right_limit);
  ShrinkToWidth(MakeViewLabel(this, 1152, wxPoint(142, 142), Tr("No registry errors were found."), 15, true,
                              kColourGreen),
                right_limit);
  MakeViewLabel(
      this, 1153, wxPoint(89, 232),
      Tr("Your registry is healthy now. To keep it work at a peak performance, you should conduct a "
         "complete scan of your registry every week."),
      9, false)
      ->Wrap(440);
}

void CResultViewNoErr::PaintExtras(wxDC& dc) {
  const wxBitmap& status = GetImage(GetStatusImage(kBestLevel));
  if (status.IsOk()) dc.DrawBitmap(status, 45, 80, true);
}

// --- the result sub-page -----------------------------------------------------------------------

CPageScanResult::CPageScanResult(wxWindow* parent) : CSubPageBase(parent) {
  summary_ = new CResultView(this);
  detail_ = new CResultViewDetail(this);
  fixing_ = new CFixingDlg(this, this);
  fixed_ = new CFixedPage(this);
  no_errors_ = new CResultViewNoErr(this);
  SetView(0, summary_, wxString());
  SetView(1, detail_, wxString());
  SetView(2, fixing_, wxString());
  SetView(3, fixed_, wxString());
  SetView(4, no_errors_, wxString());
  ChooseResultView();
}

void CPageScanResult::HideAction(int index) {
  action_button(index)->SetText(wxString());
  action_button(index)->Hide();
}

void CPageScanResult::ChooseResultView() {
  ScanResult stored;
  if (!LoadLastResult(stored)) return;
  fix_refused_ = false;
  if (stored.health_level > 1 && stored.serious == 0 && stored.general == 0) {
    ShowView(4);
    HideAction(2);
    ShowAction(3, Tr("Back to overview"));
    return;
  }
  ShowView(0);
  ShowAction(2, Tr("Detail view"));
  ShowAction(3, Tr("Fix all now"));
  summary_->Refill();
}

void CPageScanResult::OnAction(int index) {
  switch (current_view()) {
    case 0:
      if (index == 2) {
        ShowAction(2, Tr("Back to summary"));
        ShowView(1);
        detail_->Refill();
      } else if (index == 3) {
        FixAll();
      }
      break;
    case 1:
      if (index == 2) {
        ShowAction(2, Tr("Detail view"));
        ShowView(0);
      } else if (index == 3) {
        FixAll();
      }
      break;
    case 2:
      // A fix that was refused stays on this view until the user leaves it.
      if (fix_refused_ && index == 3) BackToOverview();
      break;
    case 3:
    case 4:
      BackToOverview();
      break;
    default:
      break;
  }
}

void CPageScanResult::FixAll() {
  ScanResult stored;
  if (!LoadLastResult(stored) || stored.health_level == 0) {
    UserInterface().ShowHtmlMessage("FixBtnClickForScanCanceled.html", HtmlDialogSize::kMedium, {}, {});
    return;
  }
  // Deleting while a wineserver holds the prefix would be undone by it (or
  // fail half-way on read-only files): nothing starts then.
  if (!EnsureRegistryWritable()) return;
  fix_refused_ = false;
  ShowView(2);
  HideAction(2);
  HideAction(3);
  fixing_->StartFixing();
}

void CPageScanResult::BackToOverview() {
  if (CMfcDlg* window = MainWindow()) {
    window->overview()->RefreshFigures();
    window->ShowPage(0);
  }
  ChooseResultView();
}

void CPageScanResult::ShowFixed(int fixed_before) {
  fixed_->ShowResult(fixed_before);
  ShowView(3);
  ShowAction(3, Tr("Back to overview"));
}

void CPageScanResult::ShowFixRefused() {
  fix_refused_ = true;
  ShowAction(3, Tr("Back to overview"));
}

}  // namespace clarivo::ui
