#include "host/script_driver.h"

#include <wx/anybutton.h>
#include <wx/dialog.h>
#include <wx/tokenzr.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "host/main_control.h"
#include "host/main_frame.h"
#include "host/tweaks_task_bar.h"

namespace tweaks {
namespace {

wxDialog* OpenModalDialog() {
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = wxDynamicCast(window, wxDialog);
    if (dialog && dialog->IsModal()) return dialog;
  }
  return nullptr;
}

}  // namespace

ScriptDriver::ScriptDriver(MainControl* control, const wxString& script) : control_(control), timer_(this) {
  for (const wxString& step : wxSplit(script, ';')) {
    wxString trimmed = wxString(step).Trim().Trim(false);
    if (!trimmed.empty()) steps_.push_back(trimmed);
  }
  Bind(wxEVT_TIMER, &ScriptDriver::OnTimer, this);
  timer_.StartOnce(delay_);
}

void ScriptDriver::OnTimer(wxTimerEvent&) {
  if (next_ >= steps_.size()) return;
  wxString step = steps_[next_++];
  delay_ = 400;
  if (step.StartsWith("wait ")) {
    long ms = 0;
    step.Mid(5).ToLong(&ms);
    delay_ = static_cast<int>(ms);
  }
  // Schedule first: some steps open a menu or a modal dialog and only return
  // when it closes, and the next step is what closes it.
  timer_.StartOnce(delay_ > 0 ? delay_ : 1);
  Run(step);
}

void ScriptDriver::Click(wxWindow* window) {
  if (!window) {
    std::printf("script: no such control\n");
    return;
  }
  wxUIActionSimulator sim;
  wxRect rect = window->GetScreenRect();
  sim.MouseMove(rect.GetLeft() + rect.GetWidth() / 2, rect.GetTop() + rect.GetHeight() / 2);
  wxYield();
  sim.MouseClick();
}

void ScriptDriver::Run(const wxString& step) {
  std::printf("script: %s\n", step.utf8_str().data());
  std::fflush(stdout);
  MainFrame* frame = control_->Frame();
  wxString arg = step.AfterFirst(' ');
  if (step == "report") {
    Report();
  } else if (step.StartsWith("click ")) {
    Click(frame ? frame->FindWindow(XRCID(arg)) : nullptr);
  } else if (step.StartsWith("view ")) {
    long index = -1;
    arg.ToLong(&index);
    wxWindow* button = nullptr;
    if (frame && index >= 0 && static_cast<size_t>(index) < frame->Views().size()) {
      button = frame->Views()[index].button;
    }
    Click(button);
  } else if (step == "options") {
    if (frame) frame->PopupOptionsMenu();
  } else if (step == "tray") {
    if (control_->TaskBar()) control_->TaskBar()->ShowMenu();
    // Without a tray to anchor it, the same menu pops up over the frame.
    else if (frame) {
      std::unique_ptr<wxMenu> menu(TweaksTaskBar::BuildMenu());
      frame->PopupMenu(menu.get());
    }
  } else if (step == "settings") {
    control_->SendCommand(nullptr, kMessageSetting, 0, 0);
  } else if (step == "backups") {
    if (frame) frame->OpenBackupList();
  } else if (step.StartsWith("key ")) {
    wxUIActionSimulator sim;
    sim.Char(arg == "return" ? WXK_RETURN : WXK_ESCAPE);
  } else if (step == "cancel") {
    if (wxDialog* dialog = OpenModalDialog()) {
      wxWindow* cancel = dialog->FindWindow(XRCID("ID_BUTTON_CANCEL"));
      if (cancel) {
        wxCommandEvent click(wxEVT_BUTTON, cancel->GetId());
        click.SetEventObject(cancel);
        cancel->GetEventHandler()->ProcessEvent(click);
      } else {
        dialog->EndModal(wxID_CANCEL);
      }
    }
  } else if (step.StartsWith("command ")) {
    int result = control_->SendCommand(nullptr, arg.wc_str(), 0, 0);
    std::printf("result %d\n", result);
  } else if (step.StartsWith("shot ")) {
    // Plain system(): the web engine's child processes confuse the toolkit's
    // own wait for a child.
    wxString command = "import -window root '" + arg + "'";
    if (std::system(command.utf8_str().data()) != 0) std::printf("script: screenshot failed\n");
  } else if (step == "quit") {
    std::fflush(nullptr);
    std::_Exit(0);
  }
  std::fflush(stdout);
}

void ScriptDriver::Report() {
  MainFrame* frame = control_->Frame();
  if (!frame) {
    std::printf("frame none\n");
    return;
  }
  std::printf("frame open\n");
  const auto& views = frame->Views();
  for (size_t i = 0; i < views.size(); ++i) {
    const ViewInfo& info = views[i];
    std::printf("view %zu %s %s %s\n", i, info.name.utf8_str().data(), info.view ? "loaded" : "unloaded",
                info.button && info.button->IsShown() ? "button" : "nobutton");
  }
  std::printf("active %d\n", frame->ActiveViewIndex());
  bool shownMatches = frame->ActiveViewIndex() >= 0 &&
                      frame->ShownWindow() == views[frame->ActiveViewIndex()].window &&
                      frame->ShownWindow() && frame->ShownWindow()->IsShown();
  std::printf("shown %s\n", shownMatches ? "active" : "other");
}

}  // namespace tweaks
