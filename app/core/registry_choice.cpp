#include "app/core/registry_choice.h"

#include <cstdlib>
#include <vector>

#include "app/core/profile.h"
#include "platform/registry_files.h"
#include "platform/windows_system.h"

namespace clarivo {
namespace {

struct StartEnvironment {
  std::string variable;
  std::string value;
};

const StartEnvironment& Environment() {
  static const StartEnvironment environment = [] {
    StartEnvironment env;
    for (const char* name : {"CLARIVO_REGISTRY", "WINEPREFIX"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && *value != '\0') {
        env.variable = name;
        env.value = value;
        break;
      }
    }
    return env;
  }();
  return environment;
}

std::string GetText(const char* section, const char* key) {
  const std::optional<std::vector<std::uint8_t>> bytes = GetSettingBinary(section, key);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

bool SetText(const char* section, const char* key, const std::string& text) {
  return SetSettingBinary(section, key, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace

std::string EnvironmentRegistryVariable() { return Environment().variable; }
std::string EnvironmentRegistryValue() { return Environment().value; }

std::string ChosenRegistry() { return GetText(kRegistrySection, kRegistryKey); }
bool SetChosenRegistry(const std::string& dir) { return SetText(kRegistrySection, kRegistryKey, dir); }

std::string EffectiveRegistrySource() {
  const StartEnvironment& env = Environment();
  if (env.variable == "CLARIVO_REGISTRY") return env.value;
  if (env.variable == "WINEPREFIX") return "wine:" + env.value;
  if (const std::string chosen = ChosenRegistry(); !chosen.empty()) return "wine:" + chosen;
  return {};
}

bool ApplyRegistryChoice() {
  Environment();
  const std::string before = CurrentRegistryName();
  const std::string source = EffectiveRegistrySource();
  if (source.empty()) {
    unsetenv("CLARIVO_REGISTRY");
  } else {
    setenv("CLARIVO_REGISTRY", source.c_str(), 1);
  }
  return CurrentRegistryName() != before;
}

std::string CurrentRegistryName() {
  return platform::CanonicalRegistrySource(platform::DefaultRegistrySource());
}

std::string LastResultRegistry() { return GetText("Scan", kLastResultRegistryKey); }
bool SetLastResultRegistry(const std::string& name) { return SetText("Scan", kLastResultRegistryKey, name); }

}  // namespace clarivo
