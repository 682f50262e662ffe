// The engine the cli drives: the engine's own code, linked into the cli, over
// the registry the cli has already opened. The program loads func_Clarivo.so;
// the cli does not, so that a Windows-sized registry is read once, not twice.
#pragma once

#include <memory>
#include <string>

#include "engine/clean_reg_imp.h"
#include "shared/clean_reg.h"

namespace cli {

class EngineBinding {
 public:
  // The engine over the registry OpenRegistrySource opened last (once), else
  // over the registry freshly read from disk. Null and `error` naming the
  // cause when that registry cannot be read or the engine cannot be made.
  static std::unique_ptr<EngineBinding> Load(std::string* error);
  ~EngineBinding();  // releases the engine with its registry

  EngineBinding(const EngineBinding&) = delete;
  EngineBinding& operator=(const EngineBinding&) = delete;

  Function::ICleanReg& engine() { return *engine_; }
  Function::CRegEngine& state() { return engine_->engine(); }
  // The registry the engine works on; null when it could not be read.
  platform::Registry* registry() { return engine_->engine().registry(); }

  // For a command whose process ends next: the engine and its registry are
  // left to the end of the process instead of being taken apart key by key
  // (a Windows-sized tree takes a tenth of a second to free). A registry with
  // changes it cannot save is released as usual, which tries once more.
  static void LeaveToProcessEnd(std::unique_ptr<EngineBinding> binding);

 private:
  explicit EngineBinding(Function::CCleanRegImp* engine) : engine_(engine) {}

  Function::CCleanRegImp* engine_;
};

// The folder holding the running executable, without a trailing slash.
std::string ExecutableFolder();

}  // namespace cli
