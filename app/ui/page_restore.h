// Page 2 of the main window: the registry backups of the backup store, to
// restore or delete. CPageRestore holds one sub-page, CPageRestoreList, whose
// one view, CPageRestoreList_1, lists the restore points and is the store's
// listener while a restore runs.
#pragma once

#include <wx/event.h>
#include <wx/listbox.h>

#include <string>

#include "app/core/restore_point_store.h"
#include "app/ui/gif_control.h"
#include "app/ui/page_base.h"

namespace clarivo::ui {

// The line of the restore list for one point: its created time in the user's
// locale ("Invalid DateTime" for an invalid time, empty for a null one), then
// the registry it was made from (`source`, when recorded) in parentheses.
wxString RestorePointLine(const RestorePoint& point, const std::string& source);

// The end of a backup-store run, queued to the view from the store's worker.
wxDECLARE_EVENT(EVT_RESTORE_END, wxThreadEvent);

class CPageRestoreList_1 : public CSubSubPageBase, public IRegBackupCB {
 public:
  explicit CPageRestoreList_1(wxWindow* parent);
  ~CPageRestoreList_1() override;

  // Deletes every line, then one line per restore point in the store's
  // order, its index in the store as item data. Never sorted.
  void Refill();
  // The store index of the selected line; -1 when no line is selected.
  int SelectedIndex() const;
  // Starts restoring point `index` with this view as listener: the
  // processing text and the animation replace the two explanations.
  void StartRestore(int index, bool into_other_registry);
  bool restoring() const { return restoring_; }

  wxListBox* list() const { return list_; }
  CGifControl* animation() const { return animation_; }

  void OnBackupBegin() override {}
  // Queues EVT_RESTORE_END to the view (the worker never touches windows).
  void OnBackupEnd() override;

 private:
  void ShowProcessing(bool processing);
  void OnRestoreEnd(wxThreadEvent& event);

  CHMXStatic* explanation_ = nullptr;   // 1077
  CHMXStatic* instructions_ = nullptr;  // 1078
  CHMXStatic* processing_ = nullptr;    // 1055
  wxListBox* list_ = nullptr;           // 1054
  CGifControl* animation_ = nullptr;
  bool restoring_ = false;
};

class CPageRestoreList : public CSubPageBase {
 public:
  explicit CPageRestoreList(wxWindow* parent);
  // 2 "Delete selected", 3 "Restore"; each passes the busy guard first.
  void OnAction(int index) override;
  CPageRestoreList_1* view() const { return view_; }

 private:
  void DeleteSelected();
  void RestoreSelected();

  CPageRestoreList_1* view_;
};

class CPageRestore : public CPageBase {
 public:
  explicit CPageRestore(wxWindow* parent);
  // Shows the backups as the store holds them now.
  void ReloadList();
  CPageRestoreList* list_page() const { return list_page_; }

 private:
  CPageRestoreList* list_page_;
};

}  // namespace clarivo::ui
