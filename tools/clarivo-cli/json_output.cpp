#include "tools/clarivo-cli/json_output.h"

#include "tools/clarivo-cli/categories.h"

namespace cli {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence starting at `i`, or 0 when it is invalid
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = at(i);
  std::size_t length = 0;
  unsigned min = 0, max = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    min = lead == 0xE0 ? 0xA0 : 0x80;
    max = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    min = lead == 0xF0 ? 0x90 : 0x80;
    max = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (at(i + 1) < min || at(i + 1) > max) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte >= 0x80) {
      const std::size_t length = Utf8SequenceLength(utf8, i);
      if (length == 0) {
        out += kReplacement;
        ++i;
      } else {
        out.append(utf8.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7f) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xf];
        } else {
          out += static_cast<char>(byte);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string FindingsJson(const std::string& registry, const std::vector<Finding>& findings) {
  std::string out = "{\"registry\": " + JsonString(registry) + ", \"findings\": [";
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    if (i != 0) out += ", ";
    out += "{\"type\": " + std::to_string(f.type) + ", \"category\": " + JsonString(CategoryName(f.type)) +
           ", \"name\": " + JsonString(f.name) + ", \"key\": " + JsonString(f.key) +
           ", \"index\": " + std::to_string(f.index) + "}";
  }
  out += "]}\n";
  return out;
}

}  // namespace cli
