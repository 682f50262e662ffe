#include "app/core/program_paths.h"

#include <unistd.h>

#include <mutex>

namespace clarivo {
namespace {

std::mutex g_mutex;
std::string g_override;

std::string ReadSelfExe() {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string ExecutablePath() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_override.empty()) return g_override;
  }
  static const std::string self = ReadSelfExe();
  return self;
}

std::string ExecutableDir() {
  std::string path = ExecutablePath();
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ExecutableBaseName() {
  std::string path = ExecutablePath();
  std::size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

void SetExecutablePath(const std::string& path) {
  std::lock_guard lock(g_mutex);
  g_override = path;
}

}  // namespace clarivo
