// Page 1 of the main window, "Registry scan": starting a scan, following it
// while it runs, stopping it, and the latest result as a summary, a detailed
// list or the message that nothing was found; the fix starts from the summary.
//
// The controller calls the listeners on its worker threads. They only queue a
// small code to the view's own window (wxQueueEvent keeps the order of the
// codes); the handlers then run on the user-interface thread and read the
// controller's figures from a copy taken under its lock.
#pragma once

#include <wx/event.h>
#include <wx/gauge.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/reg_scan.h"
#include "app/ui/gif_control.h"
#include "app/ui/grid_list.h"
#include "app/ui/page_base.h"

namespace clarivo::ui {

class CFixingDlg;
class CFixedPage;

// Queues `code` to `target` as a wxEVT_THREAD event of id kViewMessageId.
inline constexpr int kViewMessageId = 0x0401;
// `category`: the category bit a "category started" message is about.
void PostViewMessage(wxEvtHandler* target, int code, long category = 0);

// The id of "PC health score:" in the views that show the status labels.
inline constexpr int kScoreTitleId = 1063;

// Smaller type for a label whose text would reach `right_limit`; moved left
// for one that may move. Texts longer than the places were chosen for (other
// languages, other fonts) then still fit.
void ShrinkToWidth(CHMXStatic* label, int right_limit);
void PlaceWithin(CHMXStatic* label, const wxPoint& place, int right_limit);
// The errors label before "PC health score:", the status label inside the view.
void FitStatusLabels(wxWindow* view, const std::array<CHMXStatic*, 4>& status, const wxPoint& status_place);

// Moves `label` left when its text would run into `right_neighbour` (fonts
// wider than the ones the places were chosen for).
void KeepLeftOf(CHMXStatic* label, const CHMXStatic* right_neighbour);

// A label of a view: place, size in points, bold, colour.
CHMXStatic* MakeViewLabel(wxWindow* parent, int id, const wxPoint& pos, const wxString& text, int points,
                          bool bold, std::uint32_t colour = 0x000000);

// The location line: "Scanning on: " and the text, cut to 57 characters and
// "..." when the whole line is longer than 60.
wxString LocationLine(const std::u16string& location);

// View 0 of the scanning sub-page: the last result in two groups.
class CPageScanScanningPre : public CSubSubPageBase {
 public:
  explicit CPageScanScanningPre(wxWindow* parent);
  // The labels and counts from the stored result.
  void RefreshView();
  // Bit 0: serious group, bit 1: general group, from the two check boxes.
  int SelectedGroups() const;

 private:
  void PaintExtras(wxDC& dc) override;
  void OnCheck(wxCommandEvent& event);

  std::array<CHMXStatic*, 4> status_{};
  CHMXStatic* registry_ = nullptr;  // which registry the figures are about
  CHMXStatic* serious_count_;
  CHMXStatic* general_count_;
  CHMXStatic* sum_;
  CHMXStatic* sum_copy_;
  std::array<CHMXCheckBox*, 3> groups_{};
  int level_ = 1;
};

// View 1 of the scanning sub-page: progress while scanning.
class CPageScanScanningDoScan : public CSubSubPageBase {
 public:
  explicit CPageScanScanningDoScan(wxWindow* parent);
  void Reset();
  void NewCategoryRow(int category);
  // category: the one a category end names; 0: the current one.
  void RefreshProgress(int category);
  void PauseAnimations();
  CGridListCtrlEx* grid() const { return grid_; }

 private:
  wxGauge* progress_;
  CGifControl* scanning_gif_;
  std::array<CGifControl*, 2> doing_{};
  CHMXStatic* sum_;
  CHMXStatic* location_;
  CGridListCtrlEx* grid_;
  CMyTrait trait_;
  std::vector<int> row_categories_;
};

class CPageScanScanning : public CSubPageBase, public IScanCB {
 public:
  explicit CPageScanScanning(wxWindow* parent);

  void OnAction(int index) override;
  // View 0, "Start scan", refreshed.
  void ShowPreView();
  bool stop_requested() const { return stop_requested_; }
  CPageScanScanningPre* pre_view() const { return pre_; }
  CPageScanScanningDoScan* scan_view() const { return doscan_; }

  // IScanCB: they only queue codes (and read the stop flag).
  void OnScanBegin() override;
  void OnScanStopped() override;
  void OnScanCompleted() override;
  bool OnScanLocation(const std::u16string& text) override;
  bool OnScanReserved(int value) override;
  void OnCategoryBegin(int category) override;
  void OnCategoryEnd(int category) override;

 private:
  bool AcceptsFocus() const override { return true; }
  void OnMessage(wxThreadEvent& event);
  void OnKey(wxKeyEvent& event);
  void ShowScanningView();

  CPageScanScanningPre* pre_;
  CPageScanScanningDoScan* doscan_;
  std::atomic<bool> stop_requested_ = false;
};

// View 0 of the result sub-page: the summary.
class CResultView : public CSubSubPageBase {
 public:
  explicit CResultView(wxWindow* parent);
  void Refill();
  CGridListCtrlEx* serious_grid() const { return serious_; }
  CGridListCtrlEx* general_grid() const { return general_; }

 private:
  void FillGrid(CGridListCtrlEx* grid, CMyTrait& trait, std::int32_t mask);
  void PaintExtras(wxDC& dc) override;

  std::array<CHMXStatic*, 4> status_{};
  CHMXStatic* registry_ = nullptr;  // which registry the figures are about
  CGridListCtrlEx* serious_;
  CGridListCtrlEx* general_;
  CMyTrait serious_trait_;
  CMyTrait general_trait_;
  bool has_result_ = false;
  int level_ = 1;
};

// View 1: every finding, one per row.
class CResultViewDetail : public CSubSubPageBase {
 public:
  explicit CResultViewDetail(wxWindow* parent);
  void Refill();
  CGridListCtrlEx* grid() const { return grid_; }

 private:
  CGridListCtrlEx* grid_;
};

// View 4: the scan found nothing.
class CResultViewNoErr : public CSubSubPageBase {
 public:
  explicit CResultViewNoErr(wxWindow* parent);

 private:
  void PaintExtras(wxDC& dc) override;
};

class CPageScanResult : public CSubPageBase {
 public:
  explicit CPageScanResult(wxWindow* parent);
  void OnAction(int index) override;
  // The summary, or the no-errors view, for the stored result.
  void ChooseResultView();
  // View 3 after a fix: `fixed_before` errors were to be fixed.
  void ShowFixed(int fixed_before);
  // The fixing view failed before anything was deleted: it keeps showing
  // why, with "Back to overview".
  void ShowFixRefused();
  CResultView* summary() const { return summary_; }
  CResultViewDetail* detail() const { return detail_; }
  CFixingDlg* fixing() const { return fixing_; }
  CFixedPage* fixed() const { return fixed_; }

 private:
  void FixAll();
  void BackToOverview();
  void HideAction(int index);

  CResultView* summary_;
  CResultViewDetail* detail_;
  CFixingDlg* fixing_;
  CFixedPage* fixed_;
  CResultViewNoErr* no_errors_;
  bool fix_refused_ = false;
};

class CPageScan : public CPageBase {
 public:
  explicit CPageScan(wxWindow* parent);
  bool CanSwitchTo(int index) override;
  // Sub-page 0, view 0, then its action as if "Start scan" had been pressed.
  void StartScanNow();
  CPageScanScanning* scanning() const { return scanning_; }
  CPageScanResult* result() const { return result_; }

 private:
  CPageScanScanning* scanning_;
  CPageScanResult* result_;
};

}  // namespace clarivo::ui
