// Page 2 of the main window: the registry backups, to restore or delete. A
// plain form of the restore pages; the full restore pages replace it.
#pragma once

#include <wx/listbox.h>

#include "app/core/restore_point_store.h"
#include "app/ui/page_base.h"

namespace clarivo::ui {

class CPageRestoreList : public CSubPageBase, public IRegBackupCB {
 public:
  explicit CPageRestoreList(wxWindow* parent);
  void OnAction(int index) override;
  void ReloadList();
  wxListBox* list() const { return list_; }

  void OnBackupBegin() override {}
  void OnBackupEnd() override;

 private:
  void Restore();
  void Delete();

  CSubSubPageBase* view_;
  wxListBox* list_;
};

class CPageRestore : public CPageBase {
 public:
  explicit CPageRestore(wxWindow* parent);
  // Shows the backups as the store holds them now.
  void ReloadList();

 private:
  CPageRestoreList* list_page_;
};

}  // namespace clarivo::ui
