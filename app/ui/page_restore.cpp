#include "app/ui/page_restore.h"

#include <mutex>

#include "app/core/ole_date.h"
#include "app/core/reg_scan.h"
#include "app/core/user_interface.h"
#include "app/ui/html_dialog.h"
#include "app/ui/registry_label.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"
#include "platform/process.h"
#include "platform/registry_files.h"

namespace clarivo::ui {

wxDEFINE_EVENT(EVT_RESTORE_END, wxThreadEvent);

namespace {

// The view that listens to the store now. The worker queues its end event
// only while the view exists: a window closed during a restore is not
// reached through a dangling pointer.
std::mutex g_listener_mutex;
CPageRestoreList_1* g_listening_view = nullptr;

// The locale's date and its time: the platform's own full date-and-time text.
constexpr char kLineDateFormat[] = "%x %X";

CHMXStatic* MakeText(wxWindow* parent, int id, int x, int y, const wxString& text, int points, bool bold) {
  auto* label = new CHMXStatic(parent, id, wxPoint(x, y), text);
  if (points > 0) label->SetFontSize(points);
  if (bold) label->SetBold();
  return label;
}

// The store's failure text without the folders a person does not need to
// read: the editor's full path and the backup folder. The dialog has room
// for a few lines only.
wxString ShortFailureText(std::string text, const std::string& store_folder) {
  const std::string tool = platform::QuoteForShell(platform::ToolPath("clarivo-regedit"));
  for (size_t at = text.find(tool); at != std::string::npos; at = text.find(tool)) {
    text.replace(at, tool.size(), "clarivo-regedit");
  }
  if (!store_folder.empty()) {
    for (size_t at = text.find(store_folder); at != std::string::npos; at = text.find(store_folder)) {
      text.erase(at, store_folder.size());
    }
  }
  return wxString::FromUTF8(text);
}

wxString HtmlLine(const char* caption, const wxString& value) {
  return EscapeHtml(Tr(caption)) + " <b>" + EscapeHtml(value) + "</b>";
}

}  // namespace

wxString RestorePointLine(const RestorePoint& point, const std::string& source) {
  wxString line;
  if (point.created.status == kOleDateNull) return line;
  if (point.created.status == kOleDateValid) {
    line = wxString::FromUTF8(FormatOleDate(point.created.date, kLineDateFormat));
  }
  // A time the platform cannot put into words is as invalid as one marked so.
  if (line.empty()) line = Tr("Invalid DateTime");
  if (!source.empty()) line += "    (" + RegistryDisplayName(source) + ")";
  return line;
}

// --- CPageRestoreList_1 -------------------------------------------------------------

CPageRestoreList_1::CPageRestoreList_1(wxWindow* parent) : CSubSubPageBase(parent, "PageRestore.png") {
  constexpr int kTextWidth = 534;
  MakeText(this, 1043, 21, 14, Tr("Registry restore"), 15, false);
  explanation_ = MakeText(this, 1077, 21, 68,
                          Tr("Whenever any changes are made to the registry, Clarivo automatically creates a "
                             "backup file.  You can rollback your computer registry to any earlier status at "
                             "any time."),
                          9, false);
  explanation_->Wrap(kTextWidth);
  instructions_ =
      MakeText(this, 1078, 21, 108,
               Tr("Select a backup point and click \"Restore\" button. You can also delete an old "
                  "backup by selecting it and clicking \"Delete selected\"."),
               9, false);
  instructions_->Wrap(kTextWidth);
  MakeText(this, 1044, 21, 154, Tr("Recent registry backups"), 13, true);
  processing_ =
      MakeText(this, 1055, 89, 77, Tr("Registry restore is processing, please wait patiently."), 0, false);
  processing_->Hide();
  list_ = new wxListBox(this, 1054, wxPoint(21, 184), wxSize(kTextWidth, 268), 0, nullptr, wxLB_SINGLE);
  animation_ = new CGifControl(this, wxID_ANY, GetImagePath("doing.gif"), wxRect(45, 72, 455, 328));
  animation_->Pause();
  animation_->Hide();
  Bind(EVT_RESTORE_END, &CPageRestoreList_1::OnRestoreEnd, this);
  Refill();
}

CPageRestoreList_1::~CPageRestoreList_1() {
  std::lock_guard lock(g_listener_mutex);
  if (g_listening_view == this) g_listening_view = nullptr;
}

void CPageRestoreList_1::Refill() {
  list_->Clear();
  const RestorePointStore& store = RestorePointStore::GetInstance();
  const std::vector<RestorePoint>& points = store.points();
  for (size_t i = 0; i < points.size(); ++i) {
    // The index travels as the line's data: the line, not its position,
    // names the point.
    list_->Append(RestorePointLine(points[i], store.PointSource(points[i])),
                  reinterpret_cast<void*>(static_cast<std::intptr_t>(i)));
  }
}

int CPageRestoreList_1::SelectedIndex() const {
  const int line = list_->GetSelection();
  if (line == wxNOT_FOUND) return -1;
  return static_cast<int>(reinterpret_cast<std::intptr_t>(list_->GetClientData(static_cast<unsigned>(line))));
}

void CPageRestoreList_1::ShowProcessing(bool processing) {
  processing_->Show(processing);
  explanation_->Show(!processing);
  instructions_->Show(!processing);
  animation_->Show(processing);
  if (processing) {
    animation_->Resume();
  } else {
    animation_->Pause();
  }
  Refresh();
}

void CPageRestoreList_1::StartRestore(int index, bool into_other_registry) {
  ShowProcessing(true);
  restoring_ = true;
  RestorePointStore& store = RestorePointStore::GetInstance();
  {
    std::lock_guard lock(g_listener_mutex);
    g_listening_view = this;
  }
  store.listener = this;
  store.create_mode = false;
  store.restore_index = index;
  store.into_other_registry = into_other_registry;
  // The outcome is shown in this page's own message, with its cause.
  store.show_failures = false;
  store.StartWorker();
}

void CPageRestoreList_1::OnBackupEnd() {
  std::lock_guard lock(g_listener_mutex);
  if (g_listening_view == this) wxQueueEvent(this, new wxThreadEvent(EVT_RESTORE_END));
}

void CPageRestoreList_1::OnRestoreEnd(wxThreadEvent&) {
  RestorePointStore& store = RestorePointStore::GetInstance();
  // The worker may still be between the end call and clearing its flag.
  for (int i = 0; i < 500 && store.busy(); ++i) wxMilliSleep(2);
  {
    std::lock_guard lock(g_listener_mutex);
    if (g_listening_view == this) g_listening_view = nullptr;
  }
  if (store.listener == this) store.listener = nullptr;
  store.show_failures = true;
  store.into_other_registry = false;
  restoring_ = false;
  Refill();
  ShowProcessing(false);
  // A restore that failed left the registry unchanged or partly written:
  // reporting success then would be false.
  if (store.last_run_succeeded()) {
    UserInterface().ShowHtmlMessage("Restore_success.html", HtmlDialogSize::kSmall, {}, {});
  } else {
    UserInterface().ShowHtmlMessage("Restore_failed.html", HtmlDialogSize::kMedium, {},
                                    ToU16(EscapeHtml(ShortFailureText(store.last_error(), store.folder()))));
  }
}

// --- CPageRestoreList ---------------------------------------------------------------

CPageRestoreList::CPageRestoreList(wxWindow* parent) : CSubPageBase(parent) {
  view_ = new CPageRestoreList_1(this);
  SetView(0, view_, Tr("Registry restore"));
  ShowAction(2, Tr("Delete selected"));
  ShowAction(3, Tr("Restore"));
}

void CPageRestoreList::OnAction(int index) {
  if (CRegScan::GetInstance().IsBusy()) return;
  if (index == 2) DeleteSelected();
  if (index == 3) RestoreSelected();
}

void CPageRestoreList::DeleteSelected() {
  const int selected = view_->SelectedIndex();
  if (selected < 0) {
    UserInterface().ShowHtmlMessage("Noitemselected.html", HtmlDialogSize::kSmall, {}, {});
    return;
  }
  if (UserInterface().ShowHtmlMessage("Restoredelete.html", HtmlDialogSize::kSmall, {}, {}) != kDialogYes)
    return;
  RestorePointStore::GetInstance().DeletePoint(selected);
  view_->Refill();
}

void CPageRestoreList::RestoreSelected() {
  const int selected = view_->SelectedIndex();
  if (selected < 0) {
    UserInterface().ShowHtmlMessage("Noitemselected.html", HtmlDialogSize::kSmall, {}, {});
    return;
  }
  if (UserInterface().ShowHtmlMessage("Restoreconfirm.html", HtmlDialogSize::kSmall, {}, {}) != kDialogYes)
    return;
  RestorePointStore& store = RestorePointStore::GetInstance();
  // A point made from another registry would overwrite this one with a
  // different installation's entries: the person decides that knowingly.
  bool into_other = false;
  if (!store.SourceMismatch(selected).empty()) {
    const RestorePoint& point = store.points()[static_cast<size_t>(selected)];
    const wxString body = HtmlLine("Made from:", RegistryDisplayName(store.PointSource(point))) + "<br>" +
                          HtmlLine("Restore into:", RegistryDisplayName(store.CurrentSource()));
    const wxString title = EscapeHtml(Tr("This backup was made from another registry"));
    if (UserInterface().ShowHtmlMessage("Restore_other_registry.html", HtmlDialogSize::kMedium, ToU16(title),
                                        ToU16(body)) != kDialogYes) {
      return;
    }
    into_other = true;
  }
  // Nothing starts when the registry cannot be written: the import would
  // fail part way, or be overwritten by a running wineserver.
  const std::string current = store.CurrentSource();
  if (const std::string problem = platform::RegistryWriteProblem(current); !problem.empty()) {
    const wxString body = HtmlLine("Restore into:", RegistryDisplayName(current)) + "<br>" +
                          EscapeHtml(wxString::FromUTF8(problem)) + "<br>" +
                          EscapeHtml(Tr("Nothing was restored."));
    UserInterface().ShowHtmlMessage("Registry_locked.html", HtmlDialogSize::kMedium, {}, ToU16(body));
    return;
  }
  view_->StartRestore(selected, into_other);
}

// --- CPageRestore -------------------------------------------------------------------

CPageRestore::CPageRestore(wxWindow* parent) : CPageBase(parent) {
  list_page_ = new CPageRestoreList(this);
  SetSubPage(0, list_page_);
  ShowLeftButton(0, Tr("Registry restore"));
}

void CPageRestore::ReloadList() { list_page_->view()->Refill(); }

}  // namespace clarivo::ui
