// The environment a Windows program would see on the machine a registry
// belongs to: the usual defaults derived from where the system keeps them
// (SystemRoot, ProgramFiles, the user's profile folders, ...), then the
// machine's Session Manager Environment, then HKCU\Environment.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/text.h"

namespace platform {

class Environment {
 public:
  Environment() = default;
  // Reads every variable from the registry once.
  explicit Environment(Registry& registry);

  // Names compare without case.
  std::optional<std::u16string> Get(std::u16string_view name) const;
  void Set(std::u16string_view name, std::u16string_view value);
  // Replaces each %NAME% of a known variable by its value; an unknown name, an
  // empty one ("%%") and a lone "%" stay as written.
  std::u16string Expand(std::u16string_view text) const;

  std::size_t size() const { return vars_.size(); }

 private:
  struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const { return CompareNoCase(a, b) < 0; }
  };

  void LoadDefaults(Registry& registry);
  void LoadKey(Registry& registry, RegKey root, std::u16string_view path);

  std::map<std::u16string, std::u16string, NoCaseLess> vars_;
};

}  // namespace platform
