#include "platform/wine_system.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/special_folders.h"
#include "platform/wine_registry.h"

namespace platform {
namespace {

std::unique_ptr<WindowsSystem> OpenWinePrefix(std::string_view dir_text, std::string* error,
                                              RegKey only_root) {
  if (dir_text.empty()) {
    *error = "no Wine prefix folder given";
    return nullptr;
  }
  const std::string dir = AbsoluteFolder(std::string(dir_text));
  struct stat st;
  if (stat(dir.c_str(), &st) != 0) {
    *error = "no Wine prefix at " + dir + ": " + std::strerror(errno);
    return nullptr;
  }
  if (!S_ISDIR(st.st_mode)) {
    *error = "no Wine prefix at " + dir + ": not a folder";
    return nullptr;
  }
  if (stat((dir + "/system.reg").c_str(), &st) != 0) {
    *error = "no Wine prefix at " + dir + ": it has no system.reg";
    return nullptr;
  }
  std::unique_ptr<WineRegistry> registry = WineRegistry::Open(dir, error, only_root);
  if (!registry) return nullptr;
  return std::make_unique<WineSystem>(dir, std::move(registry));
}

}  // namespace

WineSystem::WineSystem(std::string prefix_dir, std::unique_ptr<Registry> registry)
    : prefix_dir_(std::move(prefix_dir)), registry_(std::move(registry)), mapper_(prefix_dir_) {}

const Environment& WineSystem::environment() {
  std::call_once(environment_loaded_, [this] { environment_ = Environment(*registry_); });
  return environment_;
}

bool WineSystem::PathFileExists(std::u16string_view windows_path) { return mapper_.Exists(windows_path); }

std::u16string WineSystem::ExpandEnvironmentStrings(std::u16string_view text) {
  return environment().Expand(text);
}

std::u16string WineSystem::GetSpecialFolder(int csidl) {
  return platform::GetSpecialFolder(*registry_, environment(), csidl);
}

std::string WineSystem::ToHostPath(std::u16string_view windows_path) {
  return mapper_.ToHostPath(windows_path);
}

std::string WineSystem::Describe() const { return "wine:" + prefix_dir_; }

std::string WineSystem::SourceSpec() const { return "wine:" + prefix_dir_; }

std::string WineSystem::Warning() const {
  const auto* wine = dynamic_cast<const WineRegistry*>(registry_.get());
  return wine != nullptr && wine->ServerRunning() ? kServerRunningWarning : "";
}

std::unique_ptr<WindowsSystem> OpenWindowsSystem(std::string_view source, std::string* error,
                                                 RegKey only_root) {
  if (source.empty()) {
    *error = "no registry source given";
    return nullptr;
  }
  if (source.substr(0, 5) == "wine:") return OpenWinePrefix(source.substr(5), error, only_root);
  if (source.substr(0, 5) == "hive:") {
    *error = "offline Windows installations (hive:) are not supported yet";
    return nullptr;
  }
  // "name:..." with a word before the colon is a source kind we do not know.
  const std::size_t colon = source.find(':');
  if (colon != std::string_view::npos && colon > 0 &&
      source.substr(0, colon).find('/') == std::string_view::npos) {
    *error =
        "unknown registry source \"" + std::string(source) + "\" (expected wine:DIR, hive:DIR or a folder)";
    return nullptr;
  }
  return OpenWinePrefix(source, error, only_root);
}

std::string DefaultRegistrySource() {
  if (const char* spec = std::getenv("CLARIVO_REGISTRY"); spec != nullptr && *spec != '\0') return spec;
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
    return std::string("wine:") + prefix;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* pw = getpwuid(getuid());
    home = pw != nullptr ? pw->pw_dir : "";
  }
  return std::string("wine:") + home + "/.wine";
}

std::string AbsoluteFolder(const std::string& dir) {
  std::string full = dir;
  if (!dir.empty() && dir[0] != '/') {
    if (char* cwd = getcwd(nullptr, 0)) {
      full = std::string(cwd) + "/" + dir;
      free(cwd);
    }
  }
  std::string out;
  std::size_t pos = 0;
  while (pos <= full.size()) {
    std::size_t slash = full.find('/', pos);
    if (slash == std::string::npos) slash = full.size();
    const std::string_view part = std::string_view(full).substr(pos, slash - pos);
    if (!part.empty() && part != ".") {
      out += '/';
      out += part;
    }
    pos = slash + 1;
  }
  return out.empty() ? "/" : out;
}

}  // namespace platform
