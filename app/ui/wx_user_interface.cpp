#include "app/ui/wx_user_interface.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

#include <condition_variable>
#include <mutex>

#include "app/ui/html_dialog.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {

void RunOnUiThread(const std::function<void()>& task) {
  if (wxThread::IsMain() || wxTheApp == nullptr) {
    task();
    return;
  }
  std::mutex mutex;
  std::condition_variable done_signal;
  bool done = false;
  wxTheApp->CallAfter([&] {
    task();
    std::lock_guard lock(mutex);
    done = true;
    done_signal.notify_one();
  });
  std::unique_lock lock(mutex);
  done_signal.wait(lock, [&] { return done; });
}

wxWindow* WxUserInterface::Owner() const {
  return main_window_ != nullptr && main_window_->IsShownOnScreen() ? main_window_ : nullptr;
}

void WxUserInterface::MessageBox(const std::u16string& text) {
  RunOnUiThread([&] { wxMessageBox(FromU16(text), Tr("Clarivo"), wxOK, Owner()); });
}

int WxUserInterface::ShowHtmlMessage(const std::string& page, HtmlDialogSize size,
                                     const std::u16string& title, const std::u16string& body) {
  int result = kDialogCancel;
  RunOnUiThread([&] {
    CHtmlDialog dialog(Owner(), page, size);
    dialog.SetMessage(FromU16(title), FromU16(body));
    result = dialog.RunModal();
  });
  return result;
}

bool WxUserInterface::AskYesNo(const std::u16string& text) {
  bool yes = false;
  RunOnUiThread([&] { yes = wxMessageBox(FromU16(text), Tr("Clarivo"), wxYES_NO, Owner()) == wxYES; });
  return yes;
}

void WxUserInterface::ShowMainWindow() {
  if (wxTheApp == nullptr) return;
  wxTheApp->CallAfter([this] {
    if (show_) show_();
  });
}

}  // namespace clarivo::ui
