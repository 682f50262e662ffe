#include "app/ui/gif_control.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/gifdecod.h>
#include <wx/log.h>
#include <wx/rawbmp.h>
#include <wx/wfstream.h>

#include "app/ui/wnd_helper.h"

namespace clarivo::ui {
namespace {

// Draws `frame` onto `canvas` at `at`, blending by the frame's alpha or mask.
void Compose(wxImage& canvas, const wxImage& frame, const wxPoint& at) {
  const bool has_alpha = frame.HasAlpha();
  const bool has_mask = frame.HasMask();
  if (!canvas.HasAlpha()) canvas.InitAlpha();
  for (int y = 0; y < frame.GetHeight(); ++y) {
    const int cy = at.y + y;
    if (cy < 0 || cy >= canvas.GetHeight()) continue;
    for (int x = 0; x < frame.GetWidth(); ++x) {
      const int cx = at.x + x;
      if (cx < 0 || cx >= canvas.GetWidth()) continue;
      if (has_mask && frame.IsTransparent(x, y)) continue;
      const unsigned char alpha = has_alpha ? frame.GetAlpha(x, y) : 255;
      if (alpha == 0) continue;
      canvas.SetRGB(cx, cy, frame.GetRed(x, y), frame.GetGreen(x, y), frame.GetBlue(x, y));
      canvas.SetAlpha(cx, cy, alpha);
    }
  }
}

void ClearRect(wxImage& canvas, const wxRect& rect) {
  for (int y = rect.y; y < rect.GetBottom() + 1 && y < canvas.GetHeight(); ++y) {
    for (int x = rect.x; x < rect.GetRight() + 1 && x < canvas.GetWidth(); ++x) {
      if (x >= 0 && y >= 0) canvas.SetAlpha(x, y, 0);
    }
  }
}

}  // namespace

CGifControl::CGifControl(wxWindow* parent, int id, const std::string& path, const wxRect& rect)
    : wxWindow(parent, id, rect.GetTopLeft(), wxSize(1, 1), wxBORDER_NONE), timer_(this) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Load(path);
  if (!frames_.empty()) {
    SetSize(frames_.front().GetWidth(), frames_.front().GetHeight());
  } else {
    Hide();  // nothing to draw
  }
  Bind(wxEVT_PAINT, &CGifControl::OnPaint, this);
  Bind(wxEVT_TIMER, &CGifControl::OnTimer, this);
}

CGifControl::~CGifControl() { timer_.Stop(); }

void CGifControl::Load(const std::string& path) {
  wxLogNull quiet;
  wxFileInputStream stream(wxString::FromUTF8(path));
  if (!stream.IsOk()) return;
  wxGIFDecoder decoder;
  if (decoder.LoadGIF(stream) != wxGIF_OK) return;
  const wxSize size = decoder.GetAnimationSize();
  const unsigned count = decoder.GetFrameCount();
  if (size.x <= 0 || size.y <= 0 || count == 0) return;
  wxImage canvas(size);
  canvas.InitAlpha();
  ClearRect(canvas, wxRect(size));
  for (unsigned i = 0; i < count; ++i) {
    wxImage frame;
    if (!decoder.ConvertToImage(i, &frame)) break;
    const wxPoint at = decoder.GetFramePosition(i);
    wxImage before = canvas.Copy();
    Compose(canvas, frame, at);
    frames_.emplace_back(canvas);
    const long delay = decoder.GetDelay(i);
    delays_ms_.push_back(delay > 0 ? static_cast<int>(delay) : 100);
    switch (decoder.GetDisposalMethod(i)) {
      case wxANIM_TOBACKGROUND:
        ClearRect(canvas, wxRect(at, frame.GetSize()));
        break;
      case wxANIM_TOPREVIOUS:
        canvas = before;
        break;
      default:
        break;
    }
  }
}

void CGifControl::Pause() {
  running_ = false;
  timer_.Stop();
}

void CGifControl::Resume() {
  running_ = true;
  if (started_) Schedule();
}

void CGifControl::Schedule() {
  if (frames_.size() > 1 && running_ && !timer_.IsRunning()) timer_.StartOnce(delays_ms_[current_]);
}

void CGifControl::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  PaintParentBackground(this, dc);
  if (frames_.empty()) return;
  dc.DrawBitmap(frames_[current_ < frames_.size() ? current_ : 0], 0, 0, true);
  if (!started_) {
    started_ = true;  // the first paint starts the animation
    Schedule();
  }
}

bool CGifControl::Advance() {
  if (frames_.size() < 2) return false;
  if (current_ + 1 < frames_.size()) {
    ++current_;
  } else if (loop_) {
    current_ = 0;
  } else if (replay_) {
    replay_ = false;
    current_ = 0;
  } else {
    return false;  // stays on its last frame
  }
  return true;
}

void CGifControl::OnTimer(wxTimerEvent&) {
  if (!running_ || !Advance()) return;
  Refresh();
  Schedule();
}

}  // namespace clarivo::ui
