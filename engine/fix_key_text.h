// Taking a finding's key text apart, as the fixers do: only by the positions
// of backslashes and by searching for root names, comparing code units exactly.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "shared/clean_reg.h"

namespace Function {

// The text of a fixed field, up to its terminator.
std::u16string_view FieldView(const char16_t (&field)[kTextUnits]);

// "HKEY_CLASSES_ROOT\Applications\A\shell\V" -> "A" (between the second and
// third backslash).
std::optional<std::u16string> ApplicationOfKeyText(std::u16string_view key);

// "HKEY_CLASSES_ROOT\P" -> program identifier P (under the class root);
// "HKEY_CLASSES_ROOT\CLSID\G\Server" -> "G\Server" (under the CLSID key).
struct ComTarget {
  bool program_id = false;
  std::u16string path;
};
std::optional<ComTarget> ComTargetOfKeyText(std::u16string_view key);

// "HKEY_CLASSES_ROOT\K\DefaultIcon" -> "K" (between the first and last backslash).
std::optional<std::u16string> InnerPathOfKeyText(std::u16string_view key);

// "HKEY_CLASSES_ROOT\K\shell\verb\command" -> shell key "K\shell" and "verb".
struct VerbTarget {
  std::u16string shell_path;
  std::u16string verb;
};
std::optional<VerbTarget> VerbOfKeyText(std::u16string_view key);

// The root named in the text (classes root first, then current user) and the
// path after the first backslash.
struct RootTarget {
  platform::RegKey root = 0;
  std::u16string path;
};
std::optional<RootTarget> ExtensionOfKeyText(std::u16string_view key);

}  // namespace Function
