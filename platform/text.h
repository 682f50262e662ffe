// UTF-8 <-> UTF-16 and the case-insensitive comparison Windows uses for names.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::u16string ToUtf16(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);

char16_t FoldCase(char16_t c);  // simple upper-casing, as the registry compares
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
int CompareNoCase(std::u16string_view a, std::u16string_view b);  // <0, 0, >0

}  // namespace platform
