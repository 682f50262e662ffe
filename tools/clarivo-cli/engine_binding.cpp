#include "tools/clarivo-cli/engine_binding.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

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
  const std::string path = ExecutableFolder() + "/func_Clarivo.so";
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    *error = "cannot load the engine " + path + ": " + (reason ? reason : "unknown error");
    return nullptr;
  }
  auto create = reinterpret_cast<FunCreateFn>(dlsym(library, kFunCreateSymbol));
  if (create == nullptr) {
    *error = "the engine " + path + " does not export " + kFunCreateSymbol;
    dlclose(library);
    return nullptr;
  }
  Function::ICleanReg* engine = create();
  if (engine == nullptr) {
    *error = "the engine " + path + " could not create its object (out of memory?)";
    dlclose(library);
    return nullptr;
  }
  return std::unique_ptr<EngineBinding>(new EngineBinding(library, engine));
}

EngineBinding::~EngineBinding() {
  engine_->Release();
  dlclose(library_);
}

}  // namespace cli
