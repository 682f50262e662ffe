// The fixing flow of the result sub-page: view 2 makes a backup of the
// registry and then deletes the findings, showing both steps; view 3 says
// what was repaired.
#pragma once

#include <array>

#include "app/core/reg_scan.h"
#include "app/core/restore_point_store.h"
#include "app/ui/gif_control.h"
#include "app/ui/page_base.h"

namespace clarivo::ui {

class CPageScanResult;

class CFixingDlg : public CSubSubPageBase, public IRegBackupCB, public IFixCB {
 public:
  CFixingDlg(wxWindow* parent, CPageScanResult* owner);

  // Counts the errors of the stored result, then starts the backup.
  void StartFixing();
  int errors_to_fix() const { return errors_to_fix_; }
  // True after a backup that failed: nothing was deleted.
  bool refused() const { return refused_; }

  // IRegBackupCB (backup thread) and IFixCB (fixing thread): they only queue.
  void OnBackupBegin() override;
  void OnBackupEnd() override;
  void OnFixBegin() override;
  void OnFixEnd() override;

 private:
  void OnMessage(wxThreadEvent& event);
  void SetStep2Colour(std::uint32_t colour);
  void ShowBackupFailed();

  CPageScanResult* owner_;
  int errors_to_fix_ = 0;
  bool refused_ = false;
  CGifControl* fixing_gif_;
  CGifControl* stripe_gif_;
  CGifControl* doing1_;
  CGifControl* doing2_;
  CHMXStatic* heading_;
  CHMXStatic* subheading_;
  CHMXStatic* step1_title_;
  CHMXStatic* step1_text_;
  CHMXStatic* step2_title_;
  CHMXStatic* step2_text_;
};

class CFixedPage : public CSubSubPageBase {
 public:
  explicit CFixedPage(wxWindow* parent);
  // `fixed_before` errors were to be fixed; the rescan's stored result says
  // how many are left.
  void ShowResult(int fixed_before);

 private:
  void PaintExtras(wxDC& dc) override;
  void FitTexts();

  CHMXStatic* congratulations_;
  CHMXStatic* all_fixed_;
  CHMXStatic* result_line_;
};

}  // namespace clarivo::ui
