#include "app/ui/page_scan.h"

#include <wx/app.h>

#include "app/core/categories.h"
#include "app/core/health.h"
#include "app/core/ole_date.h"
#include "app/ui/registry_check.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {
namespace {

constexpr int kBothGroups = 3;
constexpr std::uint32_t kText = 0x1E1E1E;
constexpr std::uint32_t kGrey = 0x505050;

CHMXStatic* ViewLabel(wxWindow* parent, int id, const wxPoint& pos, int points, bool bold,
                      std::uint32_t colour) {
  auto* label = new CHMXStatic(parent, id, pos);
  label->SetFontSize(points);
  if (bold) label->SetBold();
  label->SetTextColour(colour);
  return label;
}

wxString FoundText(int count) { return FromU16(FormatNumber(ToU16(Tr("%d error(s) found")), count)); }

}  // namespace

// --- scanning --------------------------------------------------------------------

CPageScanScanning::CPageScanScanning(wxWindow* parent) : CSubPageBase(parent), timer_(this) {
  view_ = new CSubSubPageBase(this, "PageScanScanning.png");
  heading_ = ViewLabel(view_, 1043, wxPoint(137, 20), 15, true, kText);
  heading_->SetText(Tr("Registry scan"));
  state_ = ViewLabel(view_, 1044, wxPoint(137, 58), 10, false, kText);
  location_ = ViewLabel(view_, 1045, wxPoint(20, 140), 9, false, kGrey);
  found_ = ViewLabel(view_, 1046, wxPoint(137, 90), 12, true, kColourRed);
  spinner_ = new CGifControl(view_, 1047, GetImagePath("reg_scan_70.gif"), wxRect(18, 11, 104, 104));
  spinner_->Pause();
  SetView(0, view_, Tr("Registry scan"));
  Bind(wxEVT_TIMER, &CPageScanScanning::OnTick, this);
  ShowIdle();
}

CPageScanScanning::~CPageScanScanning() { timer_.Stop(); }

void CPageScanScanning::ShowIdle() {
  state_->SetText(Tr("This progress may take a few moments."));
  location_->SetText(wxString());
  found_->SetText(wxString());
  ShowAction(3, Tr("Start scan"));
}

void CPageScanScanning::StartScan() {
  CRegScan& controller = CRegScan::GetInstance();
  if (scanning_ || controller.IsBusy()) return;
  if (!EnsureRegistryReadable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_requested_ = false;
    location_text_.clear();
  }
  found_so_far_ = 0;
  scanning_ = true;
  state_->SetText(Tr("This progress may take a few moments."));
  found_->SetTextColour(kColourGreen);
  found_->SetText(Tr("0 error(s) found"));
  ShowAction(3, Tr("Stop scan"));
  if (!controller.StartScan(kBothGroups, this)) {
    scanning_ = false;
    ShowIdle();
    return;
  }
  spinner_->Resume();
  timer_.Start(200);
}

void CPageScanScanning::OnAction(int index) {
  if (index != 3) return;
  if (!scanning_) {
    StartScan();
    return;
  }
  const int answer = UserInterface().ShowHtmlMessage("Ask.html", HtmlDialogSize::kSmall, ToU16(Tr("Ask")),
                                                     ToU16(Tr("Are you sure you want to stop the scan?")));
  if (answer != kDialogYes || !scanning_) return;
  std::lock_guard lock(mutex_);
  stop_requested_ = true;
}

void CPageScanScanning::OnTick(wxTimerEvent&) {
  std::u16string text;
  {
    std::lock_guard lock(mutex_);
    text = location_text_;
  }
  wxString shown = Tr("Scanning on: ") + FromU16(text);
  if (shown.length() > 90) shown = shown.Left(87) + "...";
  location_->SetText(shown);
}

void CPageScanScanning::ShowFinished(bool completed) {
  scanning_ = false;
  timer_.Stop();
  spinner_->Pause();
  location_->SetText(wxString());
  if (!completed) {
    ShowIdle();
    return;
  }
  ScanResult result;
  LoadLastResult(result);
  const StatusTexts texts = ComputeStatusTexts(result, OleDateNow().date, true);
  state_->SetText(Tr("Registry scan complete"));
  if (texts.errors.text) found_->SetText(FromU16(*texts.errors.text));
  if (texts.errors.colour) found_->SetTextColour(*texts.errors.colour);
  ShowAction(3, Tr("Start scan"));
}

void CPageScanScanning::OnScanBegin() {}

void CPageScanScanning::OnScanStopped() {
  if (wxTheApp) wxTheApp->CallAfter([this] { ShowFinished(false); });
}

void CPageScanScanning::OnScanCompleted() {
  if (wxTheApp) wxTheApp->CallAfter([this] { ShowFinished(true); });
}

bool CPageScanScanning::OnScanLocation(const std::u16string& text) {
  std::lock_guard lock(mutex_);
  location_text_ = text;
  return !stop_requested_;
}

bool CPageScanScanning::OnScanReserved(int) { return true; }

void CPageScanScanning::OnCategoryBegin(int) {}

void CPageScanScanning::OnCategoryEnd(int) {
  const ScanProgress progress = CRegScan::GetInstance().GetProgress();
  const int found = progress.seriousFound + progress.generalFound;
  if (wxTheApp)
    wxTheApp->CallAfter([this, found] {
      found_so_far_ = found;
      found_->SetTextColour(found > 0 ? kColourRed : kColourGreen);
      found_->SetText(FoundText(found));
    });
}

// --- report ------------------------------------------------------------------------

CPageScanReport::CPageScanReport(wxWindow* parent) : CSubPageBase(parent) {
  view_ = new CSubSubPageBase(this, "PageScanResult.png");
  ViewLabel(view_, 1043, wxPoint(137, 20), 15, true, kText)->SetText(Tr("Scan results:"));
  status_[0] = ViewLabel(view_, 1050, wxPoint(137, 50), 12, true, kColourRed);
  status_[1] = ViewLabel(view_, 1051, wxPoint(137, 82), 9, false, kGrey);
  status_[2] = ViewLabel(view_, 1052, wxPoint(440, 20), 14, true, kColourRed);
  status_[3] = ViewLabel(view_, 1053, wxPoint(440, 82), 9, true, kColourRed);
  int row = 0;
  for (const CategoryInfo& info : Categories()) {
    if (info.group == CategoryGroup::kNone || info.bit == 0x0200) continue;
    if (row >= static_cast<int>(names_.size())) break;
    const int y = 140 + row * 28;
    names_[row] = ViewLabel(view_, 1100 + row, wxPoint(40, y), 10, false, kText);
    names_[row]->SetText(FromU16(GetCategoryName(info.bit)));
    counts_[row] = ViewLabel(view_, 1200 + row, wxPoint(400, y), 10, true, kText);
    ++row;
  }
  SetView(0, view_, Tr("Scan results:"));
  Reload();
}

void CPageScanReport::Reload() {
  ScanResult result;
  LoadLastResult(result);
  LabelState* states[] = {nullptr, nullptr, nullptr, nullptr};
  StatusTexts texts = ComputeStatusTexts(result, OleDateNow().date, true);
  states[0] = &texts.errors;
  states[1] = &texts.last_scan;
  states[2] = &texts.score;
  states[3] = &texts.status;
  for (int i = 0; i < 4; ++i) {
    if (states[i]->text) status_[i]->SetText(FromU16(*states[i]->text));
    if (states[i]->colour) status_[i]->SetTextColour(*states[i]->colour);
  }
  int row = 0;
  for (const CategoryInfo& info : Categories()) {
    if (info.group == CategoryGroup::kNone || info.bit == 0x0200) continue;
    if (row >= static_cast<int>(counts_.size())) break;
    int count = 0;
    auto found = result.findings.find(info.bit);
    if (found != result.findings.end()) count = static_cast<int>(found->second.size());
    // Obsolete software shares its name with the installer entries.
    if (info.bit == 0x0010) {
      auto obsolete = result.findings.find(0x0200);
      if (obsolete != result.findings.end()) count += static_cast<int>(obsolete->second.size());
    }
    counts_[row]->SetText(result.has_result ? FoundText(count) : wxString("--"));
    counts_[row]->SetTextColour(count > 0 ? kColourRed : kColourGreen);
    ++row;
  }
}

// --- page ----------------------------------------------------------------------------

CPageScan::CPageScan(wxWindow* parent) : CPageBase(parent) {
  scanning_ = new CPageScanScanning(this);
  report_ = new CPageScanReport(this);
  SetSubPage(0, scanning_);
  SetSubPage(1, report_);
  ShowLeftButton(0, Tr("Start new scan"));
  ShowLeftButton(1, Tr("Latest scan report"));
}

bool CPageScan::CanSwitchTo(int index) {
  if (index == 1) report_->Reload();
  return index == 0 || index == 1;
}

void CPageScan::StartScanNow() {
  SwitchTo(0);
  scanning_->ShowView(0);
  scanning_->StartScan();
}

}  // namespace clarivo::ui
