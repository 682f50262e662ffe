// The --json document of `clarivo-cli scan`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/clarivo-cli/findings.h"

namespace cli {

// A JSON string literal, quotes included. Control characters, quotes and
// backslashes are escaped; bytes that are not valid UTF-8 become U+FFFD so the
// document is always valid UTF-8.
std::string JsonString(std::string_view utf8);

// {"registry": "...", "findings": [{"type": 3, "category": "...", "name": "...",
// "key": "...", "index": 0}, ...]} followed by a line feed.
std::string FindingsJson(const std::string& registry, const std::vector<Finding>& findings);

}  // namespace cli
