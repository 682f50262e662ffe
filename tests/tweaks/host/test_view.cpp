// A view plug-in for the routing tests, built in several flavours:
//   TEST_VIEW_NAME          its name in the call record
//   TEST_VIEW_ACCEPTS       the one command it accepts (optional)
//   TEST_VIEW_REFUSE_CLOSE  answer -1 to "CLOSE_VIEW"
//   TEST_VIEW_NO_EXPORT     do not export GetViewInterface at all
// Every call is recorded through TweaksTestRecord of the test program.
// "RELAY:<name>:<command>" makes the view of that name send <command> itself.
#include <wx/panel.h>

#include <string>

#include "host/main_control.h"
#include "host/view_interface.h"

extern "C" void TweaksTestRecord(const char* entry);

namespace {

void Record(const std::string& what) { TweaksTestRecord((std::string(TEST_VIEW_NAME) + ":" + what).c_str()); }

class TestView final : public tweaks::ViewInterface {
 public:
  void Shutdown() override { Record("shutdown"); }

  int32_t OnMessage(const wchar_t* command, uintptr_t, intptr_t) override {
    wxString text(command);
    Record(text.utf8_string());
    wxString relay;
    if (text.StartsWith("RELAY:" TEST_VIEW_NAME ":", &relay)) {
      int result = host_->SendCommand(this, relay.wc_str(), 0, 0);
      Record("relay=" + std::to_string(result));
      return 0;
    }
#ifdef TEST_VIEW_REFUSE_CLOSE
    if (text == tweaks::kCloseView) return tweaks::kRefuseClose;
#endif
#ifdef TEST_VIEW_ACCEPTS
    if (text.IsSameAs(TEST_VIEW_ACCEPTS, false)) return tweaks::kViewAccepts;
#endif
    return 0;
  }

  void Init(tweaks::MainControl* host, void* reserved, wxWindow* parent) override {
    host_ = host;
    Record(reserved ? "init-reserved" : "init");
    window_ = new wxPanel(parent, wxID_ANY);
  }

  wxWindow* GetWindow() override { return window_; }
  void SetBounds(const wxPoint&, const wxSize& size) override { window_->SetSize(size); }

 private:
  tweaks::MainControl* host_ = nullptr;
  wxWindow* window_ = nullptr;
};

}  // namespace

#ifndef TEST_VIEW_NO_EXPORT
TWEAKS_VIEW_EXPORT tweaks::ViewInterface* GetViewInterface() {
  static TestView view;
  return &view;
}
#else
TWEAKS_VIEW_EXPORT int NotAView() { return 0; }
#endif
