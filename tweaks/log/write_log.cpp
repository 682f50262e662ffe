#include "log/write_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;  // not a character
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Line breaks become spaces: a message must not forge further log lines.
std::string ToUtf8(const wchar_t* text, bool oneLine) {
  std::string out;
  for (; *text != L'\0'; ++text) {
    char32_t c = static_cast<char32_t>(*text);
    if (oneLine && (c == U'\n' || c == U'\r')) c = U' ';
    AppendUtf8(out, c);
  }
  return out;
}

std::string Timestamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
  return buffer;
}

void MakeParentFolder(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return;
  mkdir(path.substr(0, slash).c_str(), 0755);  // one level, like the host's folders
}

}  // namespace

extern "C" void WriteLog(const wchar_t* logFilePath, const wchar_t* message) {
  if (logFilePath == nullptr || message == nullptr || *logFilePath == L'\0') return;
  const std::string path = ToUtf8(logFilePath, false);
  const std::string line = Timestamp() + " " + ToUtf8(message, true) + "\n";
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 && errno == ENOENT) {
    MakeParentFolder(path);
    fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  }
  if (fd < 0) return;
  // One write per line: with O_APPEND concurrent writers never interleave.
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data += n;
    left -= static_cast<size_t>(n);
  }
  close(fd);
}
