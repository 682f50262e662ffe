// Findings copied out of the engine's lists, and how the cli shows them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "shared/clean_reg.h"

namespace cli {

class ProgressBar;

struct Finding {
  int type = 0;
  std::string name;  // UTF-8
  std::string key;   // UTF-8
  int index = 0;
};

// UTF-8 text of a fixed engine text field, up to its NUL (or the field's end).
std::string FieldText(const char16_t (&field)[Function::kTextUnits]);
// Registry text made safe for a terminal: control characters become \xNN so
// that no stored name can move the cursor or send escape sequences.
std::string Printable(std::string_view utf8);

// Scans each type in order and copies its findings out (the engine keeps its
// lists only until the next scan). `bar` may be null.
std::vector<Finding> ScanTypes(Function::ICleanReg& engine, const std::vector<int>& types, ProgressBar* bar);

// Number of findings of one type.
int CountOfType(const std::vector<Finding>& findings, int type);

// The findings grouped by category, each category of `types` with its count.
void PrintFindings(std::FILE* out, const std::vector<int>& types, const std::vector<Finding>& findings);

}  // namespace cli
