#include "app/ui/script_driver.h"

#include <wx/app.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <cstdio>
#include <cstdlib>

#include "app/core/reg_scan.h"
#include "app/core/restore_point_store.h"
#include "app/ui/controls.h"
#include "app/ui/gif_control.h"
#include "app/ui/grid_list.h"
#include "app/ui/html_dialog.h"
#include "app/ui/main_window.h"

namespace clarivo::ui {
namespace {

void Print(const wxString& text) {
  std::printf("%s\n", text.utf8_str().data());
  std::fflush(stdout);
}

wxString Quoted(wxString text) {
  text.Replace("\n", "\\n");
  return "\"" + text + "\"";
}

// The shown window with `id`, searched depth-first below `root`.
wxWindow* FindShown(wxWindow* root, int id) {
  for (wxWindow* child : root->GetChildren()) {
    if (!child->IsShown()) continue;
    if (child->GetId() == id) return child;
    if (wxWindow* found = FindShown(child, id)) return found;
  }
  return nullptr;
}

wxString Describe(wxWindow* window) {
  const wxRect r = window->GetRect();
  wxString place =
      wxString::Format("%d %d %d %d %s", r.x, r.y, r.width, r.height, window->IsShown() ? "shown" : "hidden");
  if (auto* button = dynamic_cast<CButton4Status*>(window)) {
    return wxString::Format("button %d %s frame=%d %s %s", window->GetId(), place, button->CurrentFrame(),
                            button->IsEnabled() ? "enabled" : "disabled", Quoted(button->text()));
  }
  if (auto* label = dynamic_cast<CHMXStatic*>(window)) {
    const wxColour c = label->text_colour();
    return wxString::Format("static %d %s colour=%06X points=%d bold=%d %s", window->GetId(), place,
                            (c.Blue() << 16) | (c.Green() << 8) | c.Red(), label->GetFont().GetPointSize(),
                            label->GetFont().GetWeight() >= wxFONTWEIGHT_BOLD ? 1 : 0, Quoted(label->text()));
  }
  if (auto* box = dynamic_cast<CHMXCheckBox*>(window)) {
    return wxString::Format("check %d %s value=%d %s", window->GetId(), place, box->GetValue() ? 1 : 0,
                            Quoted(box->text()));
  }
  if (auto* choice = dynamic_cast<CHMXComboBox*>(window)) {
    wxString items;
    for (unsigned i = 0; i < choice->GetCount(); ++i) items += (i ? "|" : "") + choice->GetString(i);
    return wxString::Format("combo %d %s selection=%d %s", window->GetId(), place, choice->GetSelection(),
                            Quoted(items));
  }
  if (auto* list = dynamic_cast<wxListBox*>(window)) {
    wxString lines;
    for (unsigned i = 0; i < list->GetCount(); ++i) lines += (i ? "|" : "") + list->GetString(i);
    return wxString::Format("list %d %s count=%u selection=%d %s", window->GetId(), place, list->GetCount(),
                            list->GetSelection(), Quoted(lines));
  }
  if (auto* grid = dynamic_cast<CGridListCtrlEx*>(window)) {
    // The first rows (a detail list may hold thousands).
    wxString rows;
    for (int row = 0; row < grid->GetItemCount() && row < 40; ++row) {
      rows += wxString::Format("\n    row %d colour=%06X image=%d %s %s", row, grid->RowColour(row),
                               grid->GetItemImage(row), Quoted(grid->GetItemText(row, 0)),
                               Quoted(grid->GetItemText(row, 1)));
    }
    return wxString::Format("grid %d %s count=%d", window->GetId(), place, grid->GetItemCount()) + rows;
  }
  if (auto* gauge = dynamic_cast<wxGauge*>(window)) {
    return wxString::Format("gauge %d %s value=%d range=%d", window->GetId(), place, gauge->GetValue(),
                            gauge->GetRange());
  }
  if (auto* gif = dynamic_cast<CGifControl*>(window)) {
    return wxString::Format("gif %d %s frames=%zu frame=%zu %s", window->GetId(), place, gif->frame_count(),
                            gif->current_frame(), gif->running() ? "running" : "paused");
  }
  return wxString::Format("window %s %s", window->GetName(), place);
}

// Clicks line `line` of a list box where it shows on the screen.
void ClickListLine(wxListBox* list, int line) {
  if (line < 0 || static_cast<unsigned>(line) >= list->GetCount()) {
    Print("script: no such line");
    return;
  }
  list->EnsureVisible(line);
  wxYield();
  for (int y = 1; y < list->GetClientSize().y; ++y) {
    if (list->HitTest(wxPoint(8, y)) != line) continue;
    wxUIActionSimulator sim;
    const wxPoint at = list->ClientToScreen(wxPoint(20, y + 5));
    sim.MouseMove(at.x, at.y);
    wxYield();
    sim.MouseClick();
    return;
  }
  Print("script: line not shown");
}

void ReportTree(wxWindow* window, int depth) {
  for (wxWindow* child : window->GetChildren()) {
    if (child->IsTopLevel()) continue;
    Print(wxString(' ', depth * 2) + Describe(child));
    if (dynamic_cast<CFormViewBase*>(child) != nullptr) ReportTree(child, depth + 1);
  }
}

void PrintMenu(const wxMenu& menu) {
  Print("menu begin");
  for (const wxMenuItem* item : menu.GetMenuItems()) {
    if (item->IsSeparator()) {
      Print("menu separator");
    } else {
      Print(wxString::Format("menu item %d %s %s", item->GetId(), item->IsEnabled() ? "enabled" : "disabled",
                             Quoted(item->GetItemLabelText())));
    }
  }
  Print("menu end");
}

}  // namespace

ScriptDriver::ScriptDriver(const wxString& script) : timer_(this) {
  for (const wxString& step : wxSplit(script, ';')) {
    wxString trimmed = wxString(step).Trim().Trim(false);
    if (!trimmed.empty()) steps_.push_back(trimmed);
  }
  CMfcDlg::SetMenuObserver(&PrintMenu);
  CHtmlDialog::SetResultObserver([](const std::string& page, int result) {
    Print(wxString::Format("html-result %s %d", wxString::FromUTF8(page), result));
  });
  Bind(wxEVT_TIMER, &ScriptDriver::OnTimer, this);
  timer_.StartOnce(400);
}

ScriptDriver::~ScriptDriver() {
  timer_.Stop();
  CMfcDlg::SetMenuObserver(nullptr);
  CHtmlDialog::SetResultObserver(nullptr);
}

void ScriptDriver::OnTimer(wxTimerEvent&) {
  if (next_ >= steps_.size()) return;
  const wxString step = steps_[next_++];
  // "htmlwait MS" / "idlewait MS" / "busywait MS": hold the script until an
  // HTML message has loaded / nothing runs / a scan, fix, backup or restore
  // runs, for at most MS.
  if (step.StartsWith("htmlwait ") || step.StartsWith("idlewait ") || step.StartsWith("busywait ")) {
    long limit = 0;
    step.AfterFirst(' ').ToLong(&limit);
    CHtmlDialog* dialog = CHtmlDialog::Running();
    const bool idle = !CRegScan::GetInstance().busy() && !CRegScan::GetInstance().backup_store().busy();
    const bool ready = step.StartsWith("html") ? dialog != nullptr && dialog->document_loaded()
                                               : (step.StartsWith("idle") ? idle : !idle);
    if (!ready && waited_ms_ < limit) {
      waited_ms_ += 100;
      --next_;
      timer_.StartOnce(100);
      return;
    }
    Print(wxString::Format("script: %s (%ld ms)", step, waited_ms_));
    waited_ms_ = 0;
    timer_.StartOnce(1);
    return;
  }
  long delay = 400;
  if (step.StartsWith("wait ")) step.Mid(5).ToLong(&delay);
  // The HTML steps wait (up to 15 s) for the page to be loaded and filled.
  if (step.StartsWith("html")) {
    CHtmlDialog* dialog = CHtmlDialog::Running();
    if (dialog != nullptr && !dialog->document_loaded() && ++html_waits_ < 75) {
      --next_;
      timer_.StartOnce(200);
      return;
    }
    html_waits_ = 0;
  }
  // Scheduled first: some steps open a menu or a modal window and return
  // only when it closes, and a later step is what closes it.
  timer_.StartOnce(delay > 0 ? static_cast<int>(delay) : 1);
  Run(step);
}

void ScriptDriver::Run(const wxString& step) {
  Print("script: " + step);
  CMfcDlg* window = MainWindow();
  const wxString arg = step.AfterFirst(' ');
  long id = 0;
  arg.BeforeFirst(' ').ToLong(&id);
  if (step == "report") {
    Report();
  } else if (step.StartsWith("click ") || step.StartsWith("tab ")) {
    wxWindow* target = nullptr;
    if (window != nullptr && step.StartsWith("tab ")) {
      if (id >= 0 && id < CMfcDlg::kPageCount) target = window->tab(static_cast<int>(id));
    } else if (window != nullptr) {
      wxWindow* page = window->page(window->current_page());
      if (page != nullptr) target = FindShown(page, static_cast<int>(id));
      if (target == nullptr) target = FindShown(window, static_cast<int>(id));
    }
    if (target == nullptr) {
      Print("script: no such control");
      return;
    }
    wxUIActionSimulator sim;
    const wxRect rect = target->GetScreenRect();
    sim.MouseMove(rect.GetLeft() + rect.GetWidth() / 2, rect.GetTop() + rect.GetHeight() / 2);
    wxYield();
    sim.MouseClick();
  } else if (step == "menu") {
    if (window != nullptr) window->OpenMainMenu();
  } else if (step == "tray") {
    if (window != nullptr) window->OnTrayRightUp();
  } else if (step.StartsWith("command ")) {
    if (window != nullptr) window->CallAfter([window, id] { window->RunCommand(static_cast<int>(id)); });
  } else if (step.StartsWith("key ")) {
    wxUIActionSimulator sim;
    sim.Char(arg == "return" ? WXK_RETURN : (arg == "down" ? WXK_DOWN : WXK_ESCAPE));
  } else if (step.StartsWith("select ") || step.StartsWith("check ")) {
    long value = 0;
    arg.AfterFirst(' ').ToLong(&value);
    wxWindow* target = window ? window->FindWindow(static_cast<int>(id)) : nullptr;
    if (window != nullptr) {
      wxWindow* page = window->page(window->current_page());
      if (wxWindow* shown = page ? FindShown(page, static_cast<int>(id)) : nullptr) target = shown;
    }
    if (auto* list = dynamic_cast<wxListBox*>(target)) {
      ClickListLine(list, static_cast<int>(value));
    } else if (auto* choice = dynamic_cast<CHMXComboBox*>(target)) {
      choice->SetSelection(static_cast<int>(value));
    } else if (auto* box = dynamic_cast<CHMXCheckBox*>(target)) {
      box->SetValue(value != 0);
    } else {
      Print("script: no such control");
    }
  } else if (step.StartsWith("html ")) {
    if (CHtmlDialog* dialog = CHtmlDialog::Running()) {
      dialog->ClickElement(arg);
    } else {
      Print("script: no html dialog");
    }
  } else if (step == "htmlreport") {
    CHtmlDialog* dialog = CHtmlDialog::Running();
    if (dialog == nullptr) {
      Print("html none");
      return;
    }
    const wxRect r = dialog->GetScreenRect();
    Print(wxString::Format("html %s %s %d %d title=%s", wxString::FromUTF8(dialog->page()),
                           dialog->document_loaded() ? "loaded" : "loading", r.width, r.height,
                           Quoted(dialog->document_title())));
    for (const wxString& line : wxSplit(dialog->ReportElements(), '\n', '\0')) {
      if (!line.empty()) Print("html " + line);
    }
  } else if (step == "busy") {
    Print(wxString::Format("busy %d", CRegScan::GetInstance().busy() ? 1 : 0));
  } else if (step.StartsWith("shot ")) {
    // Plain system(): the web engine's child processes confuse the toolkit's
    // own wait for a child.
    const wxString command = "import -window root '" + arg + "'";
    if (std::system(command.utf8_str().data()) != 0) Print("script: screenshot failed");
  } else if (step == "quit") {
    if (window != nullptr) {
      window->EndDialog(1);
    } else if (wxTheApp != nullptr) {
      wxTheApp->ExitMainLoop();
    }
  }
}

void ScriptDriver::Report() {
  CMfcDlg* window = MainWindow();
  if (window == nullptr) {
    Print("main none");
    return;
  }
  const wxRect r = window->GetScreenRect();
  Print(wxString::Format("main %s %d %d %d %d page=%d title=%s",
                         !window->IsShown() ? "hidden" : (window->IsIconized() ? "iconized" : "shown"), r.x,
                         r.y, r.width, r.height, window->current_page(), Quoted(window->GetTitle())));
  ReportTree(window, 1);
  wxWindow* focus = wxWindow::FindFocus();
  Print(focus == nullptr
            ? wxString("focus none")
            : wxString::Format("focus %s %d", focus->GetClassInfo()->GetClassName(), focus->GetId()));
}

}  // namespace clarivo::ui
