#include "tools/clarivo-cli/findings.h"

#include <algorithm>

#include "platform/text.h"
#include "tools/clarivo-cli/categories.h"
#include "tools/clarivo-cli/progress_bar.h"

namespace cli {

std::string FieldText(const char16_t (&field)[Function::kTextUnits]) {
  const char16_t* end = std::find(field, field + Function::kTextUnits, u'\0');
  return platform::ToUtf8(std::u16string_view(field, static_cast<std::size_t>(end - field)));
}

std::string Printable(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xf];
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<Finding> ScanTypes(Function::ICleanReg& engine, const std::vector<int>& types, ProgressBar* bar) {
  std::vector<Finding> findings;
  for (const int type : types) {
    if (bar != nullptr) bar->Begin("Scanning " + std::string(CategoryName(type)));
    const Function::RegProblemList* list = engine.Scan(type, bar);
    if (list == nullptr) continue;
    for (const Function::RegProblemItem& item : *list) {
      findings.push_back(Finding{item.type, FieldText(item.name), FieldText(item.key), item.index});
    }
  }
  if (bar != nullptr) bar->Clear();
  return findings;
}

int CountOfType(const std::vector<Finding>& findings, int type) {
  return static_cast<int>(
      std::count_if(findings.begin(), findings.end(), [type](const Finding& f) { return f.type == type; }));
}

void PrintFindings(std::FILE* out, const std::vector<int>& types, const std::vector<Finding>& findings) {
  for (const int type : types) {
    const int count = CountOfType(findings, type);
    std::fprintf(out, "%s (type %d): %d\n", std::string(CategoryName(type)).c_str(), type, count);
    for (const Finding& f : findings) {
      if (f.type != type) continue;
      std::fprintf(out, "  %s\n    key: %s\n", Printable(f.name).c_str(), Printable(f.key).c_str());
    }
  }
  std::fprintf(out, "Total: %zu\n", findings.size());
}

}  // namespace cli
