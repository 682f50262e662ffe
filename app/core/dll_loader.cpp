#include "app/core/dll_loader.h"

#include <dlfcn.h>

namespace clarivo {
namespace {

std::string LastDlError() {
  const char* text = dlerror();
  return text != nullptr ? text : "";
}

}  // namespace

DllLoader::~DllLoader() { Unload(); }

bool DllLoader::Load(const char* path) {
  Unload();
  if (path == nullptr) return false;
  // Linux paths may be longer than the Windows limit: a cut path would load
  // another file, so the path is kept whole.
  path_ = path;
  handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) error_ = LastDlError();
  return handle_ != nullptr;
}

bool DllLoader::Reload() {
  Unload();
  const std::string path = path_;
  return Load(path.c_str());
}

void DllLoader::Unload() {
  if (handle_ == nullptr) return;
  dlclose(handle_);
  handle_ = nullptr;
}

Function::ICleanReg* DllLoader::Create(int argument) {
  (void)argument;  // the engine's factory takes none
  if (handle_ == nullptr) return nullptr;
  auto create = reinterpret_cast<FunCreateFn>(dlsym(handle_, kFunCreateSymbol));
  if (create == nullptr) {
    error_ = LastDlError();
    return nullptr;
  }
  return create();
}

}  // namespace clarivo
