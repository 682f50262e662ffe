// One dynamically loaded library: the engine func_Clarivo.so.
#pragma once

#include <string>

#include "shared/clean_reg.h"

namespace clarivo {

class DllLoader {
 public:
  DllLoader() = default;
  virtual ~DllLoader();
  DllLoader(const DllLoader&) = delete;
  DllLoader& operator=(const DllLoader&) = delete;

  // Unloads the library loaded before, then loads `path` (null answers
  // false). The path is kept for Reload.
  virtual bool Load(const char* path);
  virtual bool Reload();
  virtual void Unload();
  // Calls the export "FunCreate"; null without a library or export.
  virtual Function::ICleanReg* Create(int argument);

  bool loaded() const { return handle_ != nullptr; }
  const std::string& path() const { return path_; }
  // The loader's last failure (dlerror), for diagnostics.
  const std::string& error() const { return error_; }

 private:
  std::string path_;
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace clarivo
