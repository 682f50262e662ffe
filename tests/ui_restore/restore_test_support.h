// What the restore page tests share: the temporary folder, shell commands,
// running the event loop, real mouse clicks, a recording user interface that
// answers the HTML messages, and a stand-in wineserver holding a prefix's lock.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/listbox.h>
#include <wx/uiaction.h>
#include <wx/window.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/core/user_interface.h"

namespace clarivo::restoretest {

inline std::string& BaseFolder() {
  static std::string folder;
  return folder;
}
inline void SetBaseFolder(const std::string& folder) { BaseFolder() = folder; }

inline bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// The exit status of a shell command and its standard output.
inline int RunOutput(const std::string& command, std::string* output) {
  output->clear();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Runs the event loop for `ms` milliseconds, or until `done` answers true.
inline bool Pump(int ms, const std::function<bool()>& done = {}) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    wxTheApp->Yield(true);
    if (done && done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done ? done() : true;
}

// A mouse click at a point of the screen, as a person makes it.
inline void ClickAt(const wxPoint& screen) {
  wxUIActionSimulator sim;
  sim.MouseMove(screen.x, screen.y);
  Pump(60);
  sim.MouseClick();
  Pump(250);
}

inline void Click(wxWindow* window) {
  const wxRect r = window->GetScreenRect();
  ClickAt(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
}

// Clicks line `line` of a list box; false when no point of the box shows it.
inline bool ClickLine(wxListBox* list, int line) {
  list->EnsureVisible(line);
  Pump(150);
  const wxSize size = list->GetClientSize();
  for (int y = 1; y < size.y; y += 2) {
    if (list->HitTest(wxPoint(8, y)) != line) continue;
    // The middle of the line, a few pixels further down.
    ClickAt(list->ClientToScreen(wxPoint(20, y + 6)));
    return true;
  }
  return false;
}

// Records every message and answers the HTML pages from a queue (OK when
// the queue is empty).
class RecordingInterface : public IUserInterface {
 public:
  RecordingInterface() { previous_ = SetUserInterface(this); }
  ~RecordingInterface() override { SetUserInterface(previous_); }
  void MessageBox(const std::u16string& text) override { messages.push_back(text); }
  int ShowHtmlMessage(const std::string& page, HtmlDialogSize size, const std::u16string& title,
                      const std::u16string& body) override {
    pages.push_back(page);
    sizes.push_back(size);
    titles.push_back(title);
    bodies.push_back(body);
    if (answers.empty()) return kDialogOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool AskYesNo(const std::u16string&) override { return false; }
  void ShowMainWindow() override {}
  void Clear() {
    pages.clear();
    sizes.clear();
    titles.clear();
    bodies.clear();
    messages.clear();
    answers.clear();
  }

  std::vector<std::string> pages;
  std::vector<HtmlDialogSize> sizes;
  std::vector<std::u16string> titles;
  std::vector<std::u16string> bodies;
  std::vector<std::u16string> messages;
  std::deque<int> answers;

 private:
  IUserInterface* previous_;
};

// A process holding the write lock of `path` (created) as a running
// wineserver holds its prefix's, until Release.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path) {
    int up[2];
    int down[2];
    if (pipe(up) != 0 || pipe(down) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);
      const int fd = open(path.c_str(), O_RDWR | O_CREAT, 0600);
      struct flock fl = {};
      fl.l_type = F_WRLCK;
      fl.l_whence = SEEK_SET;
      char ok = (fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0) ? 'y' : 'n';
      if (write(up[1], &ok, 1) != 1) _exit(1);
      char c = 0;
      if (read(down[0], &c, 1) < 0) _exit(1);
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    release_ = down[1];
    char ok = 'n';
    locked_ = read(up[0], &ok, 1) == 1 && ok == 'y';
    close(up[0]);
  }
  ~LockHolder() { Release(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  void Release() {
    if (release_ >= 0) close(release_);
    release_ = -1;
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  bool locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

}  // namespace clarivo::restoretest
