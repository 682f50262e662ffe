#include "tools/clarivo-cli/categories.h"

#include <strings.h>

#include <charconv>
#include <string>

namespace cli {
namespace {

struct Category {
  int type;
  std::string_view name;
};

constexpr Category kCategories[] = {
    {1, "MissingShareDLL"},
    {2, "InvalidApplication"},
    {3, "InvalidActiveXAndCOM"},
    {4, "InvalidStartMenuOrding"},
    {5, "InvalidInstaller"},
    {6, "InvalidDefaultIcon"},
    {7, "InvalidOpenWithApplication"},
    {8, "MUICache"},
    {10, "ObsoleteSoftware"},
    {11, "HelpFiles"},
    {13, "UnusedFileExtensions"},
};

}  // namespace

const std::vector<int>& AllScanTypes() {
  static const std::vector<int> types = [] {
    std::vector<int> all;
    for (const Category& c : kCategories) all.push_back(c.type);
    return all;
  }();
  return types;
}

std::string_view CategoryName(int type) {
  for (const Category& c : kCategories) {
    if (c.type == type) return c.name;
  }
  return {};
}

std::optional<int> ParseType(std::string_view text) {
  int number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error == std::errc() && end == text.data() + text.size()) {
    if (CategoryName(number).empty()) return std::nullopt;
    return number;
  }
  const std::string wanted(text);
  // The stored identifier of type 4 is misspelt; the right spelling works too.
  if (strcasecmp(wanted.c_str(), "InvalidStartMenuOrdering") == 0) return 4;
  for (const Category& c : kCategories) {
    if (c.name.size() == wanted.size() && strcasecmp(std::string(c.name).c_str(), wanted.c_str()) == 0) {
      return c.type;
    }
  }
  return std::nullopt;
}

}  // namespace cli
