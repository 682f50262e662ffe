#include "engine/fix_key_text.h"

#include "engine/scan_support.h"

namespace Function {

namespace {
constexpr auto npos = std::u16string_view::npos;
}  // namespace

std::u16string_view FieldView(const char16_t (&field)[kTextUnits]) {
  std::size_t length = 0;
  while (length < kTextUnits && field[length] != u'\0') ++length;
  return std::u16string_view(field, length);
}

std::optional<std::u16string> ApplicationOfKeyText(std::u16string_view key) {
  const std::size_t first = key.find(u'\\');
  if (first == npos) return std::nullopt;
  const std::size_t second = key.find(u'\\', first + 1);
  if (second == npos) return std::nullopt;
  const std::size_t third = key.find(u'\\', second + 1);
  // Without its verb part the text is not one the scanner wrote.
  if (third == npos || third == second + 1) return std::nullopt;
  return std::u16string(key.substr(second + 1, third - second - 1));
}

std::optional<ComTarget> ComTargetOfKeyText(std::u16string_view key) {
  const std::size_t first = key.find(u'\\');
  if (first == npos || first + 1 == key.size()) return std::nullopt;
  const std::size_t second = key.find(u'\\', first + 1);
  if (second == npos) return ComTarget{true, std::u16string(key.substr(first + 1))};
  // A class finding names a server subkey of the class; never the class itself.
  const std::u16string_view server = key.substr(second + 1);
  const std::size_t slash = server.find(u'\\');
  if (slash == npos || slash == 0 || slash + 1 == server.size()) return std::nullopt;
  return ComTarget{false, std::u16string(server)};
}

std::optional<std::u16string> InnerPathOfKeyText(std::u16string_view key) {
  const std::size_t first = key.find(u'\\');
  const std::size_t last = key.rfind(u'\\');
  if (first == npos || last <= first + 1) return std::nullopt;
  return std::u16string(key.substr(first + 1, last - first - 1));
}

std::optional<VerbTarget> VerbOfKeyText(std::u16string_view key) {
  const std::size_t first = key.find(u'\\');
  const std::size_t last = key.rfind(u'\\');
  if (first == npos || last == 0) return std::nullopt;
  const std::size_t before_verb = key.rfind(u'\\', last - 1);
  if (before_verb == npos || before_verb <= first + 1 || last <= before_verb + 1) return std::nullopt;
  return VerbTarget{std::u16string(key.substr(first + 1, before_verb - first - 1)),
                    std::u16string(key.substr(before_verb + 1, last - before_verb - 1))};
}

std::optional<RootTarget> ExtensionOfKeyText(std::u16string_view key) {
  platform::RegKey root = 0;
  if (key.find(kHkcrPrefix) != npos) {
    root = platform::kClassesRoot;
  } else if (key.find(kHkcuPrefix) != npos) {
    root = platform::kCurrentUser;
  } else {
    return std::nullopt;
  }
  const std::size_t first = key.find(u'\\');
  if (first == npos || first + 1 == key.size()) return std::nullopt;
  return RootTarget{root, std::u16string(key.substr(first + 1))};
}

}  // namespace Function
