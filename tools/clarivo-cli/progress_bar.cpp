#include "tools/clarivo-cli/progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "tools/clarivo-cli/findings.h"

namespace cli {
namespace {

constexpr int kBarCells = 24;
constexpr auto kRedrawInterval = std::chrono::milliseconds(80);

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(fd, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Cuts UTF-8 text to `columns` terminal columns. Characters of three or four
// bytes may be wide (CJK): they count as two, so the line never wraps.
int CharColumns(unsigned char lead) { return lead >= 0xE0 ? 2 : 1; }

int Columns(const std::string& text) {
  int used = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) used += CharColumns(byte);
  }
  return used;
}

std::string Clip(const std::string& text, int columns) {
  int used = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;
    if (used + CharColumns(byte) > columns) return text.substr(0, i);
    used += CharColumns(byte);
  }
  return text;
}

// Keeps the end of a long item (the key name, not the root every item shares),
// marked by "..." in front.
std::string ClipFront(const std::string& text, int columns) {
  if (Columns(text) <= columns) return text;
  if (columns <= 3) return {};
  int used = 3;
  std::size_t start = text.size();
  for (std::size_t i = text.size(); i-- > 0;) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;
    if (used + CharColumns(byte) > columns) break;
    used += CharColumns(byte);
    start = i;
  }
  return "..." + text.substr(start);
}

}  // namespace

std::unique_ptr<ProgressBar> ProgressBar::ForStandardError() {
  if (!isatty(STDERR_FILENO)) return nullptr;
  winsize size{};
  int width = 80;
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) width = size.ws_col;
  return std::make_unique<ProgressBar>(STDERR_FILENO, width);
}

std::string ProgressBar::Render(const std::string& label, int percent, const std::string& item, int width) {
  percent = std::clamp(percent, 0, 100);
  const int filled = percent * kBarCells / 100;
  std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarCells - filled), '.') + "] ";
  std::string number = std::to_string(percent);
  line += std::string(3 - std::min<std::size_t>(3, number.size()), ' ') + number + "% " + label;
  // One column stays free so the cursor never wraps to the next line.
  const int room = width - 1 - Columns(line) - 2;
  if (!item.empty() && room > 8) line += "  " + ClipFront(item, room);
  return Clip(line, width - 1);
}

void ProgressBar::Begin(std::string label) {
  label_ = std::move(label);
  last_percent_ = -1;
  Draw(0, {});
}

bool ProgressBar::OnProgress(const Function::RegProgressInfo* info) {
  const auto now = std::chrono::steady_clock::now();
  // Redrawing for every key of a large registry would cost more than the scan.
  if (info->percent == last_percent_ && now - last_draw_ < kRedrawInterval) return true;
  Draw(info->percent, Printable(FieldText(info->text)));
  return true;
}

void ProgressBar::Draw(int percent, const std::string& item) {
  last_percent_ = percent;
  last_draw_ = std::chrono::steady_clock::now();
  WriteAll(fd_, "\r" + Render(label_, percent, item, width_) + "\x1b[K");
}

void ProgressBar::Clear() { WriteAll(fd_, "\r\x1b[K"); }

}  // namespace cli
