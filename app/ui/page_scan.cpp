#include "app/ui/page_scan.h"

#include <algorithm>
#include <chrono>

#include "app/core/categories.h"
#include "app/core/health.h"
#include "app/core/profile.h"
#include "app/core/user_interface.h"
#include "app/ui/page_overview.h"
#include "app/ui/registry_check.h"
#include "app/ui/registry_label.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {
namespace {

constexpr std::uint32_t kLocationGrey = 0x787878;
constexpr int kLocationLimit = 60;
constexpr int kLocationKept = 57;
constexpr std::int64_t kLocationIntervalMs = 500;
constexpr int kSeriousGroup = 1;
constexpr int kGeneralGroup = 2;
constexpr int kLabelGap = 4;
constexpr int kSmallestPoints = 7;

// One tick for the whole process: however many scans and listeners there
// are, the queue gets at most two location messages a second.
std::atomic<std::int64_t> g_last_location_ms{0};

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

wxString Numbered(const char* message_id, int number) {
  return FromU16(FormatNumber(ToU16(Tr(message_id)), number));
}

// Stored settings of the three group check boxes (types 1..3).
constexpr std::array<const char*, 3> kGroupTexts = {"System related errors", "Software related errors",
                                                    "Third party related errors"};

}  // namespace

void PostViewMessage(wxEvtHandler* target, int code, long category) {
  auto* event = new wxThreadEvent(wxEVT_THREAD, kViewMessageId);
  event->SetInt(code);
  event->SetExtraLong(category);
  wxQueueEvent(target, event);
}

void ShrinkToWidth(CHMXStatic* label, int right_limit) {
  int points = label->GetFont().GetPointSize();
  while (label->GetRect().GetRight() >= right_limit && points > kSmallestPoints) label->SetFontSize(--points);
}

void PlaceWithin(CHMXStatic* label, const wxPoint& place, int right_limit) {
  label->Move(place);
  const wxRect rect = label->GetRect();
  if (rect.GetRight() >= right_limit) label->Move(std::max(right_limit - rect.width, 0), place.y);
}

void FitStatusLabels(wxWindow* view, const std::array<CHMXStatic*, 4>& status, const wxPoint& status_place) {
  // The errors label ends before "PC health score:"; the status label stays
  // inside the view.
  const wxWindow* score_title = view->FindWindow(kScoreTitleId);
  if (score_title != nullptr) ShrinkToWidth(status[0], score_title->GetPosition().x - kLabelGap);
  PlaceWithin(status[3], status_place, view->GetClientSize().x - kLabelGap);
}

void KeepLeftOf(CHMXStatic* label, const CHMXStatic* right_neighbour) {
  const int limit = right_neighbour->GetPosition().x - kLabelGap;
  const wxRect rect = label->GetRect();
  if (rect.GetRight() >= limit) label->Move(limit - rect.width, rect.y);
}

CHMXStatic* MakeViewLabel(wxWindow* parent, int id, const wxPoint& pos, const wxString& text, int points,
                          bool bold, std::uint32_t colour) {
  auto* label = new CHMXStatic(parent, id, pos, text);
  label->SetFontSize(points);
  if (bold) label->SetBold();
  label->SetTextColour(colour);
  return label;
}

wxString LocationLine(const std::u16string& location) {
  wxString line = Tr("Scanning on: ") + FromU16(location);
  if (static_cast<int>(line.length()) > kLocationLimit) line = line.Left(kLocationKept) + "...";
  return line;
}

// --- view 0: before a scan ---------------------------------------------------------

CPageScanScanningPre::CPageScanScanningPre(wxWindow* parent)
    : CSubSubPageBase(parent, "PageScanScanningPre.png") {
  MakeViewLabel(this, 1060, wxPoint(139, 17), Tr("Last successful scan results:"), 10, true);
  status_[0] = MakeViewLabel(this, 1061, wxPoint(139, 39), wxString(), 9, true);
  status_[1] = MakeViewLabel(this, 1062, wxPoint(139, 89), wxString(), 9, true);
  auto* score_title = MakeViewLabel(this, kScoreTitleId, wxPoint(428, 37), Tr("PC health score:"), 10, true);
  status_[2] = MakeViewLabel(this, 1064, wxPoint(541, 34), wxString(), 10, true);
  KeepLeftOf(score_title, status_[2]);
  status_[3] = MakeViewLabel(this, 1065, wxPoint(409, 82), wxString(), 9, true);
  registry_ = MakeViewLabel(this, 1079, wxPoint(139, 105), wxString(), 8, false, kLocationGrey);
  MakeViewLabel(this, 1066, wxPoint(30, 178), Tr("Errors category"), 10, true);
  PlaceWithin(MakeViewLabel(this, 1067, wxPoint(469, 178), Tr("Current errors"), 10, true), wxPoint(469, 178),
              GetClientSize().x - kLabelGap);
  serious_count_ = MakeViewLabel(this, 1068, wxPoint(509, 225), "0", 15, true);
  general_count_ = MakeViewLabel(this, 1069, wxPoint(509, 295), "0", 15, true);
  MakeViewLabel(this, 1070, wxPoint(39, 212), Tr("Serious errors causing computer freeze and even crash"), 9,
                true);
  MakeViewLabel(
      this, 1071, wxPoint(51, 232),
      Tr("Typical symptoms are random system freeze, system or software un-responding, or even blue "
         "screen."),
      9, false)
      ->Wrap(440);
  MakeViewLabel(this, 1072, wxPoint(39, 282),
                Tr("Errors slowing down computer performance and booting speed"), 9, true);
  MakeViewLabel(
      this, 1073, wxPoint(51, 302),
      Tr("Typical symptoms are computer slowing down, long booting time and long waiting time while "
         "using the Internet, starting up or running a program."),
      9, false)
      ->Wrap(440);
  sum_ = MakeViewLabel(this, 1074, wxPoint(143, 364), wxString(), 13, true);
  sum_copy_ = MakeViewLabel(this, 1075, wxPoint(411, 364), wxString(), 13, true);
  sum_copy_->Hide();
  for (int i = 0; i < 3; ++i) {
    groups_[i] = new CHMXCheckBox(this, 1076 + i, wxPoint(30 + 180 * i, 400), Tr(kGroupTexts[i]), 0xFFFFFF);
    // Every scan covers both groups; the boxes stay for stored settings.
    groups_[i]->SetValue(i < 2);
    groups_[i]->Hide();
    Bind(wxEVT_CHECKBOX, &CPageScanScanningPre::OnCheck, this, 1076 + i);
  }
  RefreshView();
}

int CPageScanScanningPre::SelectedGroups() const {
  return (groups_[0]->GetValue() ? kSeriousGroup : 0) | (groups_[1]->GetValue() ? kGeneralGroup : 0);
}

void CPageScanScanningPre::OnCheck(wxCommandEvent& event) {
  for (int i = 0; i < 3; ++i) {
    if (event.GetEventObject() == groups_[i]) SetTypeEnable(i + 1, groups_[i]->GetValue());
  }
}

void CPageScanScanningPre::RefreshView() {
  ScanResult result;
  LabelAdapter errors(status_[0]), last_scan(status_[1]), score(status_[2]), status(status_[3]);
  SetStatusTexts(result, &errors, &last_scan, &score, &status, false);
  ScanResult stored;
  const bool has_result = LoadLastResult(stored);
  const int serious = has_result ? stored.serious : 0;
  const int general = has_result ? stored.general : 0;
  level_ = has_result ? stored.health_level : 1;
  serious_count_->SetText(wxString::Format("%d", serious));
  general_count_->SetText(wxString::Format("%d", general));
  sum_->SetText(Numbered("%d registry errors need to be fixed!", serious + general));
  sum_copy_->SetText(sum_->text());
  PlaceWithin(sum_, wxPoint(143, 364), GetClientSize().x - kLabelGap);
  FitStatusLabels(this, status_, wxPoint(409, 82));
  registry_->SetText(CurrentRegistryCaption());
  wxWindow::Refresh();
}

void CPageScanScanningPre::PaintExtras(wxDC& dc) {
  const wxBitmap& status = GetImage(GetStatusImage(level_));
  if (status.IsOk()) dc.DrawBitmap(status, 18, 11, true);
  ScanResult result;
  const wxBitmap& meter = GetImage(GetOverviewImage(result));
  if (meter.IsOk()) dc.DrawBitmap(meter, 436, 59, true);
}

// --- view 1: while scanning ------------------------------------------------------------

CPageScanScanningDoScan::CPageScanScanningDoScan(wxWindow* parent)
    : CSubSubPageBase(parent, "PageScanScanning.png") {
  progress_ = new wxGauge(this, 1080, 1, wxPoint(137, 80), wxSize(420, 16), wxGA_HORIZONTAL | wxGA_SMOOTH);
  scanning_gif_ = new CGifControl(this, 1081, GetImagePath("reg_scan_70.gif"), wxRect(18, 11, 482, 389));
  scanning_gif_->Pause();
  doing_[0] = new CGifControl(this, 1082, GetImagePath("doing.gif"), wxRect(24, 212, 16, 16));
  doing_[1] = new CGifControl(this, 1083, GetImagePath("doing.gif"), wxRect(24, 282, 16, 16));
  for (CGifControl* gif : doing_) {
    gif->Pause();
    // Their places lie under the category list, which shows each category.
    gif->Hide();
  }
  sum_ = MakeViewLabel(this, 1084, wxPoint(137, 11), wxString(), 14, true, kColourRed);
  MakeViewLabel(this, 1085, wxPoint(137, 43), Tr("This progress may take a few moments."), 9, true);
  location_ = MakeViewLabel(this, 1086, wxPoint(18, 142), wxString(), 9, false, kLocationGrey);
  MakeViewLabel(this, 1087, wxPoint(30, 178), Tr("Errors category"), 10, true);
  MakeViewLabel(this, 1088, wxPoint(509, 178), Tr("Current Errors"), 10, true)->Hide();
  MakeViewLabel(this, 1089, wxPoint(291, 178), wxString(), 10, true)->Hide();
  grid_ = new CGridListCtrlEx(this, 1090, wxPoint(14, 200), wxSize(556, 256), false);
  grid_->SetExtendedStyle(kFullRowSelect | kHeaderDragDrop);
  grid_->InsertColumn(0, Tr("Errors category"), kColumnLeft, 400);
  grid_->InsertColumn(1, Tr("Current Errors"), kColumnRight, 155);
  grid_->SetImageList(&GetCategoryImageList());
  grid_->SetRowTrait(&trait_);
  grid_->SetRowHeight(24);
}

void CPageScanScanningDoScan::Reset() {
  CRegScan& controller = CRegScan::GetInstance();
  if (controller.busy()) {
    const ScanProgress progress = controller.GetProgress();
    progress_->SetRange(std::max(progress.categoriesTotal, 1));
    progress_->SetValue(0);
    location_->SetText(wxString());
  }
  sum_->SetText(wxString());
  scanning_gif_->Resume();
  trait_.Clear();
  row_categories_.clear();
  grid_->DeleteAllItems();
}

void CPageScanScanningDoScan::NewCategoryRow(int category) {
  CRegScan& controller = CRegScan::GetInstance();
  if (!controller.busy()) return;
  const ScanProgress progress = controller.GetProgress();
  progress_->SetValue(std::min(progress.categoriesDone, progress_->GetRange()));
  // The category comes with the message: the worker names it as current only
  // after announcing it, so the copy may still name the one before.
  const int row = grid_->AppendItem(FromU16(GetCategoryName(category)), GetCategoryImage(category, false));
  grid_->SetItemText(row, 1, Tr("0 error(s) found"));
  // The row's category, so that a late progress message of the category
  // before never writes its figures into the next category's row.
  row_categories_.resize(static_cast<size_t>(row) + 1);
  row_categories_[static_cast<size_t>(row)] = category;
}

void CPageScanScanningDoScan::RefreshProgress(int category) {
  CRegScan& controller = CRegScan::GetInstance();
  if (!controller.busy()) return;
  const ScanProgress progress = controller.GetProgress();
  location_->SetText(LocationLine(progress.currentText));
  sum_->SetText(
      Numbered("%d registry errors need to be fixed!", progress.seriousFound + progress.generalFound));
  // A category's end names its category: by the time the message is handled
  // the worker may already have begun the next one.
  if (category == 0) category = progress.currentCategory;
  auto found = progress.foundByCategory.find(category);
  if (found == progress.foundByCategory.end()) return;
  // Normally the last row; never the row of another category.
  auto it = std::find(row_categories_.rbegin(), row_categories_.rend(), category);
  if (it == row_categories_.rend()) return;
  const int row = static_cast<int>(row_categories_.rend() - it) - 1;
  const int count = found->second;
  trait_.SetColour(row, count > 0 ? kColourRed : kColourGreen);
  grid_->SetItemText(row, 1, count > 0 ? Numbered("%d error(s) found", count) : Tr("ok"));
  grid_->SetItemText(row, 0, FromU16(GetCategoryName(category)));
  grid_->SetItemImage(row, GetCategoryImage(category, count > 0));
}

void CPageScanScanningDoScan::PauseAnimations() {
  scanning_gif_->Pause();
  for (CGifControl* gif : doing_) gif->Pause();
}

// --- the scanning sub-page ----------------------------------------------------------------

CPageScanScanning::CPageScanScanning(wxWindow* parent) : CSubPageBase(parent) {
  pre_ = new CPageScanScanningPre(this);
  doscan_ = new CPageScanScanningDoScan(this);
  SetView(0, pre_, wxString());
  SetView(1, doscan_, wxString());
  Bind(wxEVT_THREAD, &CPageScanScanning::OnMessage, this, kViewMessageId);
  Bind(wxEVT_CHAR_HOOK, &CPageScanScanning::OnKey, this);
  ShowPreView();
}

void CPageScanScanning::ShowPreView() {
  ShowView(0);
  ShowAction(3, Tr("Start scan"));
  pre_->RefreshView();
}

void CPageScanScanning::OnAction(int) {
  if (current_view() == 0) {
    const int groups = pre_->SelectedGroups();
    if (groups == 0) {
      UserInterface().ShowHtmlMessage("Noitemselected.html", HtmlDialogSize::kSmall, {}, {});
      return;
    }
    CRegScan& controller = CRegScan::GetInstance();
    // A scan that still runs (Escape leaves it running), a fix or a restore
    // must not get a scan beside it: the overview's button and the start-up
    // come here without passing the busy guard.
    if (controller.IsBusy()) return;
    if (!EnsureRegistryReadable()) return;
    stop_requested_ = false;
    controller.StartScan(groups, this);
    return;
  }
  const int answer = UserInterface().ShowHtmlMessage("Ask.html", HtmlDialogSize::kSmall, ToU16(Tr("Ask")),
                                                     ToU16(Tr("Are you sure you want to stop the scan?")));
  stop_requested_ = answer == kDialogYes;
  // Escape goes on working after the question.
  SetFocus();
}

void CPageScanScanning::ShowScanningView() {
  ShowView(1);
  doscan_->Reset();
  ShowAction(3, Tr("Stop scan"));
  SetFocus();
}

void CPageScanScanning::OnMessage(wxThreadEvent& event) {
  switch (event.GetInt()) {
    case 0:
      ShowScanningView();
      break;
    case 1:
    case 2:
      ShowView(0);
      ShowAction(3, Tr("Start scan"));
      pre_->RefreshView();
      doscan_->PauseAnimations();
      if (event.GetInt() == 2) {
        if (auto* page = dynamic_cast<CPageScan*>(GetParent())) page->SwitchTo(1);
      }
      break;
    case 3:
      doscan_->RefreshProgress(0);
      break;
    case 5:
      doscan_->RefreshProgress(static_cast<int>(event.GetExtraLong()));
      break;
    case 4:
      doscan_->NewCategoryRow(static_cast<int>(event.GetExtraLong()));
      break;
    default:
      break;
  }
}

void CPageScanScanning::OnKey(wxKeyEvent& event) {
  if (event.GetKeyCode() != WXK_ESCAPE) {
    event.Skip();
    return;
  }
  PostViewMessage(this, 1);
}

void CPageScanScanning::OnScanBegin() { PostViewMessage(this, 0); }
void CPageScanScanning::OnScanStopped() { PostViewMessage(this, 1); }
void CPageScanScanning::OnScanCompleted() { PostViewMessage(this, 2); }

bool CPageScanScanning::OnScanLocation(const std::u16string&) {
  const std::int64_t now = NowMs();
  std::int64_t last = g_last_location_ms.load();
  if (now - last > kLocationIntervalMs && g_last_location_ms.compare_exchange_strong(last, now)) {
    PostViewMessage(this, 3);
  }
  return !stop_requested_;
}

bool CPageScanScanning::OnScanReserved(int) { return true; }
void CPageScanScanning::OnCategoryBegin(int category) { PostViewMessage(this, 4, category); }
void CPageScanScanning::OnCategoryEnd(int category) { PostViewMessage(this, 5, category); }

// --- the page --------------------------------------------------------------------------------

CPageScan::CPageScan(wxWindow* parent) : CPageBase(parent) {
  scanning_ = new CPageScanScanning(this);
  result_ = new CPageScanResult(this);
  SetSubPage(0, scanning_);
  SetSubPage(1, result_);
  ShowLeftButton(0, Tr("Start new scan"));
  ShowLeftButton(1, Tr("Latest scan report"));
}

bool CPageScan::CanSwitchTo(int index) {
  if (index == 0) {
    scanning_->ShowPreView();
    return true;
  }
  if (index == 1) {
    ScanResult stored;
    if (!LoadLastResult(stored)) return false;
    result_->ChooseResultView();
    return true;
  }
  return CPageBase::CanSwitchTo(index);
}

void CPageScan::StartScanNow() {
  // While work runs the views stay as they are; the guard says why.
  if (CRegScan::GetInstance().IsBusy()) return;
  SwitchTo(0);
  scanning_->OnAction(3);
}

}  // namespace clarivo::ui
