#include "platform/registry.h"

namespace platform {

std::u16string RegSzText(const RegValue& value) {
  std::u16string text;
  std::size_t units = value.data.size() / 2;
  text.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    char16_t c = static_cast<char16_t>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

RegValue MakeSz(std::u16string_view text, std::uint32_t type) {
  RegValue value;
  value.type = type;
  value.data.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    value.data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  value.data.push_back(0);
  value.data.push_back(0);
  return value;
}

RegValue MakeDword(std::uint32_t number) {
  RegValue value;
  value.type = kRegDword;
  for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
  return value;
}

}  // namespace platform
