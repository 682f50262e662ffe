// A one-line progress bar on standard error, drawn only when it is a terminal.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "shared/clean_reg.h"

namespace cli {

class ProgressBar final : public Function::ICallback {
 public:
  // Null when standard error is not a terminal: nothing is drawn then.
  static std::unique_ptr<ProgressBar> ForStandardError();

  ProgressBar(int fd, int width) : fd_(fd), width_(width) {}

  // Starts a new operation, e.g. "Scanning InvalidActiveXAndCOM".
  void Begin(std::string label);
  bool OnProgress(const Function::RegProgressInfo* info) override;
  // Clears the line so that ordinary output follows on a clean line.
  void Clear();

  // The text of one frame, at most `width` columns (percent clamped to 0-100).
  static std::string Render(const std::string& label, int percent, const std::string& item, int width);

 private:
  void Draw(int percent, const std::string& item);

  int fd_;
  int width_;
  std::string label_;
  int last_percent_ = -1;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace cli
