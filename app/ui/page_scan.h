// Page 1 of the main window: starting a scan, following it, and the latest
// report. A plain form of the scan pages: it starts the scan through the
// controller and shows the outcome; the full scan pages replace it.
#pragma once

#include <wx/timer.h>

#include <array>
#include <mutex>
#include <string>

#include "app/core/reg_scan.h"
#include "app/ui/gif_control.h"
#include "app/ui/page_base.h"

namespace clarivo::ui {

class CPageScanScanning : public CSubPageBase, public IScanCB {
 public:
  explicit CPageScanScanning(wxWindow* parent);
  ~CPageScanScanning() override;

  // "Start scan": busy guard, registry check, then the scan of both groups.
  void StartScan();
  void OnAction(int index) override;
  bool scanning() const { return scanning_; }

  // IScanCB: called by the controller, mostly on its worker; they only queue.
  void OnScanBegin() override;
  void OnScanStopped() override;
  void OnScanCompleted() override;
  bool OnScanLocation(const std::u16string& text) override;
  bool OnScanReserved(int value) override;
  void OnCategoryBegin(int category) override;
  void OnCategoryEnd(int category) override;

 private:
  void ShowIdle();
  void ShowFinished(bool completed);
  void OnTick(wxTimerEvent& event);

  CSubSubPageBase* view_;
  CHMXStatic* heading_;
  CHMXStatic* state_;
  CHMXStatic* location_;
  CHMXStatic* found_;
  CGifControl* spinner_;
  wxTimer timer_;
  std::mutex mutex_;
  std::u16string location_text_;
  bool stop_requested_ = false;
  bool scanning_ = false;
  int found_so_far_ = 0;
};

class CPageScanReport : public CSubPageBase {
 public:
  explicit CPageScanReport(wxWindow* parent);
  void OnAction(int) override {}
  // Reloads the stored result into the labels.
  void Reload();

 private:
  CSubSubPageBase* view_;
  std::array<CHMXStatic*, 4> status_{};
  std::array<CHMXStatic*, 11> names_{};
  std::array<CHMXStatic*, 11> counts_{};
};

class CPageScan : public CPageBase {
 public:
  explicit CPageScan(wxWindow* parent);
  bool CanSwitchTo(int index) override;
  // Shows the scanning sub-page and starts a scan as its "Start scan" does.
  void StartScanNow();
  CPageScanScanning* scanning() const { return scanning_; }

 private:
  CPageScanScanning* scanning_;
  CPageScanReport* report_;
};

}  // namespace clarivo::ui
