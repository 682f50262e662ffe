// The program's IUserInterface: plain message boxes, the HTML message
// dialogs, questions, and waking the main window. Calls from worker threads
// are carried over to the user-interface thread, and the worker waits there
// until the person has answered.
#pragma once

#include <wx/window.h>

#include <functional>

#include "app/core/user_interface.h"

namespace clarivo::ui {

class WxUserInterface : public IUserInterface {
 public:
  void MessageBox(const std::u16string& text) override;
  int ShowHtmlMessage(const std::string& page, HtmlDialogSize size, const std::u16string& title,
                      const std::u16string& body) override;
  bool AskYesNo(const std::u16string& text) override;
  void ShowMainWindow() override;

  // The window that owns the dialogs and that ShowMainWindow shows.
  void set_main_window(wxWindow* window) { main_window_ = window; }
  // How the main window is shown and brought to the front.
  void set_show_main_window(std::function<void()> show) { show_ = std::move(show); }

 private:
  wxWindow* Owner() const;
  wxWindow* main_window_ = nullptr;
  std::function<void()> show_;
};

// Runs `task` on the user-interface thread and waits for it (directly when
// called there).
void RunOnUiThread(const std::function<void()>& task);

}  // namespace clarivo::ui
