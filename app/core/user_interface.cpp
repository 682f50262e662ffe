#include "app/core/user_interface.h"

#include <atomic>
#include <cstdio>

#include "platform/text.h"

namespace clarivo {
namespace {

class ConsoleInterface : public IUserInterface {
 public:
  void MessageBox(const std::u16string& text) override {
    std::fprintf(stderr, "Clarivo: %s\n", platform::ToUtf8(text).c_str());
  }
  int ShowHtmlMessage(const std::string& page, HtmlDialogSize, const std::u16string& title,
                      const std::u16string& body) override {
    std::fprintf(stderr, "Clarivo: [%s] %s %s\n", page.c_str(), platform::ToUtf8(title).c_str(),
                 platform::ToUtf8(body).c_str());
    return kDialogCancel;
  }
  bool AskYesNo(const std::u16string& text) override {
    std::fprintf(stderr, "Clarivo: %s (answered no)\n", platform::ToUtf8(text).c_str());
    return false;
  }
  void ShowMainWindow() override {}
};

ConsoleInterface g_console;
std::atomic<IUserInterface*> g_ui{nullptr};

}  // namespace

IUserInterface& UserInterface() {
  IUserInterface* ui = g_ui.load();
  return ui ? *ui : g_console;
}

IUserInterface* SetUserInterface(IUserInterface* ui) { return g_ui.exchange(ui); }

}  // namespace clarivo
