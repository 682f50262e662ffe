#include "app/ui/page_fixing.h"

#include "app/core/health.h"
#include "app/core/scan_result.h"
#include "app/ui/page_scan.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {
namespace {

constexpr std::uint32_t kGrey = 0x808080;
constexpr std::uint32_t kBlack = 0x000000;
constexpr int kStepTextWidth = 510;
constexpr int kResultPoints = 15;
constexpr int kRightMargin = 4;

wxString Numbered(const char* message_id, int number) {
  return FromU16(FormatNumber(ToU16(Tr(message_id)), number));
}

}  // namespace

// --- view 2: fixing --------------------------------------------------------------------

CFixingDlg::CFixingDlg(wxWindow* parent, CPageScanResult* owner)
    : CSubSubPageBase(parent, "PageFixing.png"), owner_(owner) {
  fixing_gif_ = new CGifControl(this, 1100, GetImagePath("Fixing.gif"), wxRect(18, 11, 482, 389));
  stripe_gif_ = new CGifControl(this, 1101, GetImagePath("Fixing_P.gif"), wxRect(137, 90, 463, 310));
  doing1_ = new CGifControl(this, 1102, GetImagePath("doing.gif"), wxRect(10, 156, 16, 16));
  doing2_ = new CGifControl(this, 1103, GetImagePath("doing.gif"), wxRect(10, 233, 16, 16));
  for (CGifControl* gif : {fixing_gif_, stripe_gif_, doing1_, doing2_}) gif->Pause();
  heading_ = MakeViewLabel(this, 1104, wxPoint(137, 32), Numbered("Fixing %d registry errors", 0), 14, false,
                           kColourGreen);
  subheading_ = MakeViewLabel(this, 1105, wxPoint(137, 63), Tr("It may take a few moments..."), 10, false);
  step1_title_ = MakeViewLabel(this, 1106, wxPoint(48, 156), Tr("Step 1: Backup your registry"), 10, true);
  step1_text_ =
      MakeViewLabel(this, 1107, wxPoint(48, 177),
                    Tr("Clarivo  is now making a backup of your registry to ensure that any changes "
                       "made can be undone easily. It may take a few moments.  Please wait patiently."),
                    9, false);
  step1_text_->Wrap(kStepTextWidth);
  step2_title_ =
      MakeViewLabel(this, 1108, wxPoint(48, 233), Tr("Step 2: Repair your registry errors"), 10, true);
  step2_text_ = MakeViewLabel(this, 1109, wxPoint(48, 253), wxString(), 9, false);
  step2_text_->Wrap(kStepTextWidth);
  Bind(wxEVT_THREAD, &CFixingDlg::OnMessage, this, kViewMessageId);
}

void CFixingDlg::StartFixing() {
  refused_ = false;
  ScanResult stored;
  if (LoadLastResult(stored)) {
    errors_to_fix_ = stored.serious + stored.general;
    heading_->SetText(Numbered("Fixing %d registry errors", errors_to_fix_));
    step2_text_->SetText(
        Numbered("Clarivo is now repairing your registry by removing  %d errors. It may take a "
                 "few moments.  Please wait patiently.",
                 errors_to_fix_));
  }
  heading_->SetTextColour(kColourGreen);
  stripe_gif_->Show();
  subheading_->SetText(Tr("It may take a few moments..."));
  step1_title_->SetText(Tr("Step 1: Backup your registry"));
  step1_text_->SetText(
      Tr("Clarivo  is now making a backup of your registry to ensure that any changes made can "
         "be undone easily. It may take a few moments.  Please wait patiently."));
  step1_text_->SetTextColour(kBlack);
  RestorePointStore& store = CRegScan::GetInstance().backup_store();
  store.listener = this;
  store.create_mode = true;
  store.StartWorker();
}

void CFixingDlg::OnBackupBegin() { PostViewMessage(this, 0); }
void CFixingDlg::OnBackupEnd() { PostViewMessage(this, 1); }
void CFixingDlg::OnFixBegin() { PostViewMessage(this, 2); }
void CFixingDlg::OnFixEnd() { PostViewMessage(this, 3); }

void CFixingDlg::SetStep2Colour(std::uint32_t colour) {
  step2_title_->SetTextColour(colour);
  step2_text_->SetTextColour(colour);
}

void CFixingDlg::ShowBackupFailed() {
  // Deleting without a backup could not be undone: nothing is deleted, and
  // the view says so instead of going on to "You have repaired ...".
  refused_ = true;
  for (CGifControl* gif : {fixing_gif_, stripe_gif_, doing1_, doing2_}) gif->Pause();
  doing1_->Hide();
  doing2_->Hide();
  // The stripe would look like work still going on.
  stripe_gif_->Hide();
  heading_->SetTextColour(kColourRed);
  heading_->SetText(Tr("The backup could not be saved"));
  subheading_->SetText(Tr("Nothing was changed."));
  step1_text_->SetTextColour(kColourRed);
  step1_text_->SetText(
      Tr("To keep your registry safe, Clarivo has not fixed anything: every entry is still in place."));
  step2_text_->SetText(
      Tr("Make sure there is free disk space and that the backup folder can be written, then "
         "start the fix again."));
  SetStep2Colour(kGrey);
  owner_->ShowFixRefused();
}

void CFixingDlg::OnMessage(wxThreadEvent& event) {
  switch (event.GetInt()) {
    case 0:
      SetStep2Colour(kGrey);
      fixing_gif_->Resume();
      stripe_gif_->Resume();
      doing1_->Resume();
      doing1_->Show();
      doing2_->Hide();
      break;
    case 1:
      doing1_->Pause();
      doing1_->Hide();
      if (CRegScan::GetInstance().backup_store().last_backup_failed()) {
        ShowBackupFailed();
        break;
      }
      CRegScan::GetInstance().StartFix(this);
      break;
    case 2:
      SetStep2Colour(kBlack);
      doing2_->Resume();
      doing2_->Show();
      break;
    case 3:
      for (CGifControl* gif : {fixing_gif_, stripe_gif_, doing1_, doing2_}) gif->Pause();
      owner_->ShowFixed(errors_to_fix_);
      break;
    default:
      break;
  }
}

// --- view 3: fixed --------------------------------------------------------------------------

CFixedPage::CFixedPage(wxWindow* parent) : CSubSubPageBase(parent, "PageFixed.png") {
  congratulations_ =
      MakeViewLabel(this, 1110, wxPoint(139, 37), Tr("Congratulations!"), 15, false, kColourGreen);
  all_fixed_ = MakeViewLabel(this, 1111, wxPoint(139, 62), Tr("All your registry errors have been fixed."),
                             15, false, kColourGreen);
  result_line_ = MakeViewLabel(this, 1112, wxPoint(23, 161), wxString(), 15, false);
  MakeViewLabel(this, 1113, wxPoint(23, 200), wxString(), 9, false)->Hide();
  MakeViewLabel(this, 1114, wxPoint(23, 230), wxString(), 9, false)->Hide();
}

void CFixedPage::FitTexts() {
  for (CHMXStatic* label : {congratulations_, all_fixed_, result_line_}) {
    label->SetFontSize(kResultPoints);
    ShrinkToWidth(label, GetClientSize().x - kRightMargin);
  }
}

void CFixedPage::ShowResult(int fixed_before) {
  // The rescan after the fix is what the registry holds now: a deletion that
  // was refused leaves its entry, and then "all fixed" would be false.
  ScanResult after;
  const int remaining = LoadLastResult(after) ? after.serious + after.general : 0;
  if (remaining <= 0) {
    congratulations_->SetText(Tr("Congratulations!"));
    all_fixed_->SetTextColour(kColourGreen);
    all_fixed_->SetText(Tr("All your registry errors have been fixed."));
    result_line_->SetText(Numbered("You have repaired %d registry errors.", fixed_before));
    FitTexts();
    return;
  }
  const int repaired = std::max(fixed_before - remaining, 0);
  congratulations_->SetText(Tr("The repair is finished."));
  all_fixed_->SetTextColour(kColourRed);
  all_fixed_->SetText(Numbered("%d registry errors could not be removed.", remaining));
  result_line_->SetText(Numbered("You have repaired %d registry errors.", repaired));
  FitTexts();
}

void CFixedPage::PaintExtras(wxDC& dc) {
  // Loaded on first use and kept by the image cache.
  const wxBitmap& logo = GetImage("Logo.png");
  if (logo.IsOk()) dc.DrawBitmap(logo, 18, 11, true);
}

}  // namespace clarivo::ui
