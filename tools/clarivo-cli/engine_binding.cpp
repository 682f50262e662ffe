#include "tools/clarivo-cli/engine_binding.h"

#include <unistd.h>

#include <climits>
#include <exception>
#include <new>
#include <utility>

#include "engine/clean_reg_imp.h"
#include "engine/engine_state.h"
#include "platform/windows_system.h"
#include "tools/clarivo-cli/registry_source.h"

namespace cli {

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return ".";
  std::string folder(path, static_cast<std::size_t>(length));
  const std::size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : folder.substr(0, slash);
}

std::unique_ptr<EngineBinding> EngineBinding::Load(std::string* error) {
  try {
    std::unique_ptr<platform::WindowsSystem> system = TakeOpenedRegistry();
    if (!system) {
      // A second engine (the rescan after a fix) reads what is on disk now.
      // Unlike the program's engine, which would find nothing in a registry
      // it cannot read, the cli says why.
      const std::string source = platform::DefaultRegistrySource();
      std::string reason;
      try {
        system = platform::OpenWindowsSystem(source, &reason);
      } catch (const std::bad_alloc&) {
        throw;
      } catch (const std::exception& e) {
        reason = e.what();
      }
      if (!system) {
        *error = "cannot open the registry " + source + ": " + (reason.empty() ? "unknown error" : reason);
        return nullptr;
      }
    }
    auto state = std::make_unique<Function::CRegEngine>(std::move(system));
    return std::unique_ptr<EngineBinding>(new EngineBinding(new Function::CCleanRegImp(std::move(state))));
  } catch (const std::bad_alloc&) {
    *error = "the engine could not be created (out of memory)";
    return nullptr;
  }
}

EngineBinding::~EngineBinding() { engine_->Release(); }

void EngineBinding::LeaveToProcessEnd(std::unique_ptr<EngineBinding> binding) {
  if (!binding) return;
  platform::Registry* registry = binding->engine_->engine().registry();
  if (registry != nullptr && registry->Flush() != platform::kRegOk) return;  // released as usual
  (void)binding.release();  // NOLINT: deliberately never freed, the process ends
}

}  // namespace cli
