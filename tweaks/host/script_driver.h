// Test switch of the program: runs a list of steps against the live host, one
// step per timer tick, so that tests and screenshots can drive the windows
// without a person. Steps (separated by ';'):
//   wait MS          delay before the next step (default 400 ms)
//   report           print the frame's views and the active view to stdout
//   click XRC_ID     click the control of that XRC id in the frame (mouse)
//   view N           click the button of view N (0-based)
//   options | tray   pop up the options menu or the tray menu
//   settings | backups   open the settings dialog or the backup list
//   key escape | key return   press a key
//   cancel           press "ID_BUTTON_CANCEL" of the open modal dialog
//   command TEXT     SendCommand(null, TEXT)
//   shot FILE        screenshot of the whole screen (ImageMagick "import")
//   quit             end the program with status 0
#pragma once

#include <wx/string.h>
#include <wx/timer.h>

#include <vector>

namespace tweaks {

class MainControl;

class ScriptDriver : public wxEvtHandler {
 public:
  ScriptDriver(MainControl* control, const wxString& script);

 private:
  void OnTimer(wxTimerEvent& event);
  void Run(const wxString& step);
  void Report();
  void Click(wxWindow* window);

  MainControl* control_;
  std::vector<wxString> steps_;
  size_t next_ = 0;
  int delay_ = 400;
  wxTimer timer_;
};

}  // namespace tweaks
