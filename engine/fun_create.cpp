// The one export of func_Clarivo.
#include <memory>
#include <new>
#include <string>

#include "engine/clean_reg_imp.h"
#include "engine/engine_state.h"
#include "platform/debug_output.h"
#include "platform/windows_system.h"
#include "shared/clean_reg.h"

extern "C" __attribute__((visibility("default"))) Function::ICleanReg* FunCreate() {
  try {
    // A registry that cannot be opened leaves an engine that answers every
    // call and finds nothing, rather than no engine at all.
    std::string error;
    std::unique_ptr<platform::WindowsSystem> system;
    try {
      system = platform::OpenWindowsSystem(platform::DefaultRegistrySource(), &error);
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!system) platform::DebugOutput("func_Clarivo: cannot open the registry: " + error + "\n");
    auto engine = std::make_unique<Function::CRegEngine>(std::move(system));
    return new Function::CCleanRegImp(std::move(engine));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
