// Problem type numbers, their category identifiers and the default selection.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace cli {

// The eleven types that have a scanner, in rising order.
const std::vector<int>& AllScanTypes();
// "MissingShareDLL" for 1, ...; empty for a number without a scanner.
std::string_view CategoryName(int type);
// Accepts a number ("3") or a category identifier ("InvalidActiveXAndCOM",
// case-insensitive); nothing for anything else or a type without a scanner.
std::optional<int> ParseType(std::string_view text);

}  // namespace cli
