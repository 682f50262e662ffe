#include "app/ui/page_overview.h"

#include "app/core/health.h"
#include "app/core/profile.h"
#include "app/core/reg_scan.h"
#include "app/ui/main_window.h"
#include "app/ui/page_scan.h"
#include "app/ui/registry_label.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {
namespace {

// Once per run: the very first display plays the gauge once; every later one
// replays it.
bool g_first_refresh = true;

constexpr int kLeftColumnWidth = 208;
constexpr int kStatusWidth = 430;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kGrey = 0x808080;
constexpr std::uint32_t kText = 0x1E1E1E;
constexpr std::uint32_t kStartTextColour = 0x9A5A1E;  // the blue of the start button's frame

}  // namespace

void LabelAdapter::SetText(const std::u16string& text) { label_->SetText(FromU16(text)); }
void LabelAdapter::SetTextColour(std::uint32_t colour) { label_->SetTextColour(colour); }
void LabelAdapter::SetFontSize(int points) { label_->SetFontSize(points); }
void LabelAdapter::Redraw() {
  label_->Refresh();
  if (label_->IsShownOnScreen()) label_->Update();
}

CHMXStatic* CPageOverview::Label(int id, const wxPoint& pos, const wxString& text, int points, bool bold,
                                 std::uint32_t colour, int width) {
  auto* label =
      new CHMXStatic(this, id, pos, text, width, width > 0 ? wxALIGN_CENTRE_HORIZONTAL : wxALIGN_LEFT);
  if (points > 0) label->SetFontSize(points);
  if (bold) label->SetBold();
  label->SetTextColour(colour);
  return label;
}

CPageOverview::CPageOverview(wxWindow* parent)
    : CFormViewBase(parent, kPageSize),
      registry_scan_(GetImage("registry_scan.png")),
      attention_(GetImage("attention.png")) {
  SetBackground("PageOverview.png");
  MoveTo(9, 60);

  auto* start = new CButton4Status(this, 1007, wxPoint(366, 273), wxSize(200, 56), Tr("Start scan"));
  start->SetImage("start_scan.png");
  start->SetFontSize(12);
  start->SetBold();
  start->SetTextColour(kStartTextColour);
  Bind(wxEVT_BUTTON, &CPageOverview::OnStartScan, this, 1007);

  auto* update = new CButton4Status(this, 1023, wxPoint(29, 476), wxSize(150, 32), Tr("Check for updates"));
  update->SetImage("Button_update.png");
  update->SetBold();
  update->SetTextColour(0x1E3C1E);
  update->SetTextRect(wxRect(25, 0, update->GetSize().x - 25, update->GetSize().y));
  Bind(wxEVT_BUTTON, &CPageOverview::OnUpdate, this, 1023);

  Label(1012, wxPoint(1, 277), Tr("PC health score:"), 10, true, kWhite, kLeftColumnWidth);
  Label(1011, wxPoint(1, 296), wxString(), 14, true, kColourRed, kLeftColumnWidth);
  Label(1090, wxPoint(1, 345), wxString(), 9, true, kWhite, kLeftColumnWidth);
  Label(1021, wxPoint(1, 371), wxString(), 0, false, kWhite, kLeftColumnWidth);
  Label(1013, wxPoint(1, 411), Tr("LIVEUPDATE"), 10, true, kColourGreen, 188);
  Label(1092, wxPoint(1, 440), Tr("Improve PC security,\r\nperformance and stability"), 9, false, 0x286C28,
        188);
  Label(1014, wxPoint(332, 25), Tr("Registry status on last scan:"), 10, false, kText);
  // Which of the person's registries these figures are about.
  Label(1097, wxPoint(366, 338), CurrentRegistryCaption(), 9, false, kGrey);
  // As wide as the page leaves them: a long translation takes a smaller font.
  Label(1015, wxPoint(332, 61), wxString(), 15, true, kColourRed, kStatusWidth)->SetAlignment(wxALIGN_LEFT);
  Label(1016, wxPoint(332, 98), wxString(), 10, true, kText, kStatusWidth)->SetAlignment(wxALIGN_LEFT);
  Label(1018, wxPoint(571, 26), Tr("PC health score:"), 10, true, kText)->Hide();
  Label(1019, wxPoint(571, 62), wxString(), 14, true, kColourRed)->Hide();
  Label(1017, wxPoint(232, 155),
        Tr("With more registry errors, PC startup time will be longer; PC will become slower, often freeze "
           "or even "
           "crash."),
        11, false, kGrey, 0)
      ->Wrap(520);
  Label(1020, wxPoint(232, 225), Tr("Clarivo improve PC security,performance and stability!"), 11, false,
        kGrey);

  const char* upper[] = {"low2.gif", "min2.gif", "max2.gif"};
  const char* lower[] = {"low.gif", "min.gif", "max.gif"};
  for (int pair = 0; pair < 3; ++pair) {
    upper_[pair] = new CGifControl(this, wxID_ANY, GetImagePath(upper[pair]), wxRect(32, 35, 468, 365));
    lower_[pair] = new CGifControl(this, wxID_ANY, GetImagePath(lower[pair]), wxRect(32, 121, 468, 279));
    for (CGifControl* gif : {upper_[pair], lower_[pair]}) {
      gif->Pause();
      gif->SetLoop(false);
    }
  }
  RefreshFigures();
}

void CPageOverview::RefreshFigures() {
  for (int pair = 0; pair < 3; ++pair) {
    upper_[pair]->Pause();
    lower_[pair]->Pause();
  }
  ScanResult result;
  const bool has_result = LoadLastResult(result);
  const int level = has_result ? result.health_level : 1;
  shown_pair_ = level == 4 ? 2 : (level == 3 ? 1 : 0);
  // Only the chosen pair shows: the three pairs share one place.
  for (int pair = 0; pair < 3; ++pair) {
    const bool shown = pair == shown_pair_;
    upper_[pair]->Show(shown && upper_[pair]->loaded());
    lower_[pair]->Show(shown && lower_[pair]->loaded());
  }
  upper_[shown_pair_]->Resume();
  lower_[shown_pair_]->Resume();
  if (!g_first_refresh) lower_[shown_pair_]->SetReplay(true);
  g_first_refresh = false;

  LabelAdapter errors(static_cast<CHMXStatic*>(FindWindow(1015)));
  LabelAdapter last_scan(static_cast<CHMXStatic*>(FindWindow(1016)));
  LabelAdapter score(static_cast<CHMXStatic*>(FindWindow(1011)));
  LabelAdapter status(static_cast<CHMXStatic*>(FindWindow(1090)));
  SetStatusTexts(result, &errors, &last_scan, &score, &status, true);

  static_cast<CHMXStatic*>(FindWindow(1097))->SetText(CurrentRegistryCaption());

  auto* total_label = static_cast<CHMXStatic*>(FindWindow(1021));
  const int total = GetSettingInt(kFixTotal);
  total_label->SetText(Tr("Total error fixed: ") + wxString::Format("%d", total));
  total_label->Show(total != 0);
  Refresh();
}

void CPageOverview::PaintExtras(wxDC& dc) {
  if (registry_scan_.IsOk()) dc.DrawBitmap(registry_scan_, 218, 19, true);
  if (attention_.IsOk()) dc.DrawBitmap(attention_, 1, 404, true);
  ScanResult result;
  const wxBitmap& meter = GetImage(GetOverviewImage(result));
  if (meter.IsOk()) dc.DrawBitmap(meter, 42, 323, true);
}

void CPageOverview::OnStartScan(wxCommandEvent& event) {
  if (event.GetEventObject() != FindWindow(1007)) {
    event.Skip();
    return;
  }
  CMfcDlg* window = MainWindow();
  if (window == nullptr) return;
  window->ShowPage(1);
  window->scan_page()->StartScanNow();
}

void CPageOverview::OnUpdate(wxCommandEvent& event) {
  if (event.GetEventObject() != FindWindow(1023)) {
    event.Skip();
    return;
  }
  CheckForUpdates();
}

}  // namespace clarivo::ui
