#include "tools/clarivo-cli/registry_source.h"

#include <cstdlib>
#include <exception>
#include <utility>

#include "platform/windows_system.h"

namespace cli {
namespace {

std::unique_ptr<platform::WindowsSystem>& Opened() {
  static std::unique_ptr<platform::WindowsSystem> opened;
  return opened;
}

}  // namespace

std::optional<RegistrySource> OpenRegistrySource(const std::optional<std::string>& registry,
                                                 std::string* error) {
  const std::string source = registry ? *registry : platform::DefaultRegistrySource();
  std::unique_ptr<platform::WindowsSystem> system;
  std::string reason;
  try {
    system = platform::OpenWindowsSystem(source, &reason);
  } catch (const std::exception& e) {
    reason = e.what();
  }
  if (!system) {
    *error = "cannot open the registry " + source + ": " + (reason.empty() ? "unknown error" : reason);
    return std::nullopt;
  }
  RegistrySource opened{system->Describe(), system->SourceSpec(), system->Warning()};
  if (setenv("CLARIVO_REGISTRY", opened.spec.c_str(), 1) != 0) {
    *error = "cannot set CLARIVO_REGISTRY for the engine";
    return std::nullopt;
  }
  Opened() = std::move(system);
  return opened;
}

platform::WindowsSystem* OpenedRegistry() { return Opened().get(); }

std::unique_ptr<platform::WindowsSystem> TakeOpenedRegistry() { return std::move(Opened()); }

}  // namespace cli
