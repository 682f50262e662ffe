#include "app/ui/page_restore.h"

#include <wx/app.h>

#include "app/core/ole_date.h"
#include "app/core/reg_scan.h"
#include "app/core/user_interface.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {

CPageRestoreList::CPageRestoreList(wxWindow* parent) : CSubPageBase(parent) {
  view_ = new CSubSubPageBase(this, "PageRestore.png");
  auto* heading = new CHMXStatic(view_, 1043, wxPoint(137, 20), Tr("Registry restore"));
  heading->SetFontSize(15);
  heading->SetBold();
  heading->SetTextColour(0x1E1E1E);
  auto* intro =
      new CHMXStatic(view_, 1044, wxPoint(137, 55),
                     Tr("Whenever any changes are made to the registry, Clarivo automatically creates a "
                        "backup file.  You can rollback your computer registry to any earlier status at "
                        "any time."));
  intro->SetTextColour(0x505050);
  intro->Wrap(420);
  auto* caption = new CHMXStatic(view_, 1045, wxPoint(20, 140), Tr("Recent registry backups"));
  caption->SetBold();
  caption->SetFontSize(10);
  caption->SetTextColour(0x1E1E1E);
  list_ = new wxListBox(view_, 1046, wxPoint(20, 165), wxSize(536, 280));
  SetView(0, view_, Tr("Registry restore"));
  ShowAction(2, Tr("Delete selected"));
  ShowAction(3, Tr("Restore"));
  ReloadList();
}

void CPageRestoreList::ReloadList() {
  list_->Clear();
  for (const RestorePoint& point : RestorePointStore::GetInstance().points()) {
    std::string text = FormatOleDate(point.created.date, "%Y-%m-%d %H:%M:%S");
    list_->Append(text.empty() ? Tr("Invalid DateTime") : wxString::FromUTF8(text));
  }
}

void CPageRestoreList::OnAction(int index) {
  if (CRegScan::GetInstance().IsBusy()) return;
  if (index == 3) Restore();
  if (index == 2) Delete();
}

void CPageRestoreList::Restore() {
  const int selected = list_->GetSelection();
  if (selected == wxNOT_FOUND) {
    UserInterface().ShowHtmlMessage("Noitemselected.html", HtmlDialogSize::kSmall, {}, {});
    return;
  }
  if (UserInterface().ShowHtmlMessage("Restoreconfirm.html", HtmlDialogSize::kSmall, {}, {}) != kDialogYes)
    return;
  RestorePointStore& store = RestorePointStore::GetInstance();
  store.listener = this;
  store.create_mode = false;
  store.restore_index = selected;
  store.StartWorker();
}

void CPageRestoreList::OnBackupEnd() {
  if (wxTheApp == nullptr) return;
  wxTheApp->CallAfter([] {
    if (RestorePointStore::GetInstance().last_run_succeeded()) {
      UserInterface().ShowHtmlMessage("Restore_success.html", HtmlDialogSize::kSmall, {}, {});
    }
  });
}

void CPageRestoreList::Delete() {
  const int selected = list_->GetSelection();
  if (selected == wxNOT_FOUND) {
    UserInterface().ShowHtmlMessage("Noitemselected.html", HtmlDialogSize::kSmall, {}, {});
    return;
  }
  if (UserInterface().ShowHtmlMessage("Restoredelete.html", HtmlDialogSize::kSmall, {}, {}) != kDialogYes)
    return;
  RestorePointStore::GetInstance().DeletePoint(selected);
  ReloadList();
}

CPageRestore::CPageRestore(wxWindow* parent) : CPageBase(parent) {
  list_page_ = new CPageRestoreList(this);
  SetSubPage(0, list_page_);
  ShowLeftButton(0, Tr("Registry restore"));
}

void CPageRestore::ReloadList() { list_page_->ReloadList(); }

}  // namespace clarivo::ui
