// Loads func_Clarivo.so from the folder of this executable and creates one
// engine through FunCreate. The cli reaches the engine only this way.
#pragma once

#include <memory>
#include <string>

#include "shared/clean_reg.h"

namespace cli {

class EngineBinding {
 public:
  // Null and `error` naming the cause when the library or its export is
  // missing or FunCreate answers null.
  static std::unique_ptr<EngineBinding> Load(std::string* error);
  ~EngineBinding();  // releases the engine, then unloads the library

  EngineBinding(const EngineBinding&) = delete;
  EngineBinding& operator=(const EngineBinding&) = delete;

  Function::ICleanReg& engine() { return *engine_; }

 private:
  EngineBinding(void* library, Function::ICleanReg* engine) : library_(library), engine_(engine) {}

  void* library_;
  Function::ICleanReg* engine_;
};

// The folder holding the running executable, without a trailing slash.
std::string ExecutableFolder();

}  // namespace cli
