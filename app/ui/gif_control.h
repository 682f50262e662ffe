// An animated image on a page. The frames and their delays come from the
// image file; a timer of the window advances them on the user-interface
// thread (wx draws only there), where the original drew from a thread of its
// own. Loop (default) wraps from the last frame to the first; without loop
// the animation stays on its last frame unless replay is set, which lets it
// wrap once. Pause and resume hold and continue the timer.
#pragma once

#include <wx/bitmap.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <string>
#include <vector>

namespace clarivo::ui {

class CGifControl : public wxWindow {
 public:
  // Creates the control in `rect` of `parent` (its top-left; it takes the
  // animation's size) and reads the frames. Running at creation.
  CGifControl(wxWindow* parent, int id, const std::string& path, const wxRect& rect);
  ~CGifControl() override;

  void Pause();
  void Resume();
  bool running() const { return running_; }
  void SetLoop(bool loop) { loop_ = loop; }
  void SetReplay(bool replay) { replay_ = replay; }
  bool replay() const { return replay_; }
  size_t frame_count() const { return frames_.size(); }
  size_t current_frame() const { return current_; }
  bool loaded() const { return !frames_.empty(); }
  // One tick of the animation: the next frame by the loop and replay rules.
  // False when it stays where it is.
  bool Advance();

 private:
  void Load(const std::string& path);
  void OnPaint(wxPaintEvent& event);
  void OnTimer(wxTimerEvent& event);
  void Schedule();

  std::vector<wxBitmap> frames_;  // each composed once, ready to draw
  std::vector<int> delays_ms_;
  size_t current_ = 0;
  bool loop_ = true;
  bool replay_ = false;
  bool running_ = true;
  bool started_ = false;
  wxTimer timer_;
};

}  // namespace clarivo::ui
