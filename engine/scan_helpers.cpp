#include "engine/scan_helpers.h"

#include "engine/scan_support.h"

namespace Function {

std::u16string Join(std::initializer_list<std::u16string_view> parts) {
  std::size_t size = 0;
  for (auto part : parts) size += part.size();
  std::u16string text;
  text.reserve(size);
  for (auto part : parts) text.append(part);
  return text;
}

bool AddCheckedFinding(CRegEngine& engine, int type, std::u16string_view name, std::u16string_view key,
                       std::u16string_view icon_source, std::int32_t& next_index) {
  if (name.size() >= static_cast<std::size_t>(kTextUnits) ||
      key.size() >= static_cast<std::size_t>(kTextUnits)) {
    return false;
  }
  AddFinding(engine, type, name, key, next_index, GetExtensionIcon(engine, icon_source));
  ++next_index;
  return true;
}

std::int32_t ListSize(CRegEngine& engine, int type) {
  return static_cast<std::int32_t>(engine.items(type).size());
}

std::u16string ValueDataText(const platform::RegValue& value) {
  std::u16string text;
  const auto& bytes = value.data;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

}  // namespace Function
