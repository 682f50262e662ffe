// What the window tests share: a program folder of their own (an ini naming
// their image and page folders), a recording user interface, and running the
// event loop for a while.
#pragma once

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/timer.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/core/ini.h"
#include "app/core/profile.h"
#include "app/core/program_paths.h"
#include "app/core/user_interface.h"

namespace clarivo::uitest {

inline std::string& BaseFolder() {
  static std::string folder;
  return folder;
}
inline void SetBaseFolder(const std::string& folder) { BaseFolder() = folder; }

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A program folder: <base>/<name>/ with Clarivo.ini naming <name>/img/ and
// <name>/html/ (both created), the executable path pointing into it, and a
// profile of its own.
inline std::string MakeProgramFolder(const std::string& name) {
  const std::string folder = BaseFolder() + "/" + name;
  std::string command = "mkdir -p '" + folder + "/img' '" + folder + "/html'";
  if (std::system(command.c_str()) != 0) return {};
  WriteFile(folder + "/Clarivo.ini",
            "[Deploy]\nIMAGE=img\\\nHtml=html\\\nLANGUAGE=" CLARIVO_BIN_DIR "/Languages/\n");
  SetExecutablePath(folder + "/Clarivo");
  SetProfileRoot(kCompanyKey, name);
  return folder;
}

// Runs the event loop for `ms` milliseconds, or until `done` answers true.
inline void Pump(int ms, const std::function<bool()>& done = {}) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    wxTheApp->Yield(true);
    if (done && done()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

class RecordingInterface : public IUserInterface {
 public:
  RecordingInterface() { previous_ = SetUserInterface(this); }
  ~RecordingInterface() override { SetUserInterface(previous_); }
  void MessageBox(const std::u16string& text) override { messages.push_back(text); }
  int ShowHtmlMessage(const std::string& page, HtmlDialogSize, const std::u16string&,
                      const std::u16string&) override {
    pages.push_back(page);
    return answer;
  }
  bool AskYesNo(const std::u16string&) override { return false; }
  void ShowMainWindow() override {}

  std::vector<std::u16string> messages;
  std::vector<std::string> pages;
  int answer = kDialogOk;

 private:
  IUserInterface* previous_;
};

}  // namespace clarivo::uitest
