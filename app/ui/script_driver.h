// Test switch of the program (--script="step;step;..."): runs steps against
// the live windows, one per timer tick, so that tests and screenshots can
// drive the program without a person. Steps:
//   wait MS            delay before the next step (default 400 ms)
//   htmlwait MS        until an HTML message has loaded (at most MS)
//   idlewait MS        until no scan, fix, backup or restore runs (at most MS)
//   busywait MS        until one runs (at most MS)
//   report             the main window, the current page and every control
//                      (id, kind, place, size, shown, state, text) on stdout
//   click ID           a mouse click on the shown control of that id (the
//                      current page's first, then the main window's)
//   tab N              a mouse click on tab N (0..3) of the main window
//   menu | tray        pop up the main menu (as its button does) or the tray
//                      menu (as a right click on the icon does)
//   command ID         a menu command (9000..9010) as if chosen
//   key escape|return|down   press a key
//   select ID N        choose item N of a drop-down list, or click line N of a list
//   check ID 0|1       set a check box
//   html ID            click element ID of the HTML message shown now
//   htmlreport         the HTML message shown now: page, title, filled texts
//                      (both wait until the page has loaded)
//   busy               whether a scan or fix runs ("busy 1" / "busy 0")
//   shot FILE          screenshot of the whole screen (ImageMagick "import")
//   quit               end the program as "Exit" of the tray menu does
#pragma once

#include <wx/event.h>
#include <wx/timer.h>

#include <vector>

namespace clarivo::ui {

class ScriptDriver : public wxEvtHandler {
 public:
  explicit ScriptDriver(const wxString& script);
  ~ScriptDriver() override;

 private:
  void OnTimer(wxTimerEvent& event);
  void Run(const wxString& step);
  void Report();

  std::vector<wxString> steps_;
  size_t next_ = 0;
  int html_waits_ = 0;
  long waited_ms_ = 0;
  wxTimer timer_;
};

}  // namespace clarivo::ui
