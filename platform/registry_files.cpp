#include "platform/registry_files.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/atomic_write.h"
#include "platform/wineserver_lock.h"

namespace platform {
namespace {

// The prefix folder of a Wine source; empty for other kinds.
std::string WineFolder(std::string_view source) {
  if (source.starts_with("wine:")) return std::string(source.substr(5));
  const std::size_t colon = source.find(':');
  const bool other_kind = colon != std::string_view::npos && colon > 0 &&
                          source.substr(0, colon).find('/') == std::string_view::npos;
  return other_kind ? std::string() : std::string(source);
}

}  // namespace

std::string CanonicalRegistrySource(std::string_view source) {
  const std::string folder = WineFolder(source);
  if (folder.empty()) return std::string(source);
  if (char* real = realpath(folder.c_str(), nullptr)) {
    std::string canonical = std::string("wine:") + real;
    free(real);
    return canonical;
  }
  return "wine:" + folder;
}

std::string RegistryWriteProblem(std::string_view source) {
  std::string folder = WineFolder(source);
  if (folder.empty()) return {};
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (WineserverRunning(folder)) {
    return "a wineserver is running for " + folder +
           " and would overwrite the registry files; stop it first (wineserver -k)";
  }
  for (const char* name : {"/system.reg", "/user.reg"}) {
    if (std::string problem = ReplaceProblem(folder + name); !problem.empty()) return problem;
  }
  return {};
}

}  // namespace platform
