// Wine's registry file format ("WINE REGISTRY Version 2"): reading it into a
// key tree and writing the tree back the way wineserver does, so that Wine
// reads it back the same and keys nobody touched stay byte for byte.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/reg_tree.h"

namespace platform {

struct WineHiveFile {
  std::string header;  // everything before the first key, verbatim
  std::string text;    // the file as last read or written: unchanged keys are copied from it
  std::unique_ptr<RegNode> root;
};

// Where one key's block landed in a written text.
struct WineBlockSpan {
  RegNode* node;
  std::uint64_t offset;
  std::uint32_t length;
};

// Parses a whole file. `label` names it in errors: "system.reg line 12: unterminated string".
bool ParseWineRegistry(std::string text, std::string_view label, WineHiveFile* out, std::string* error);

// Writes the tree `root` (null: `hive.root`) in wineserver's layout. Keys not
// marked changed are copied from `hive.text`; `spans` (optional) receives
// where each block went.
std::string FormatWineRegistry(const WineHiveFile& hive, RegNode* root, std::vector<WineBlockSpan>* spans);

// After `text` (made by FormatWineRegistry with `spans`) is safely on disk:
// makes it the hive's text and marks every key of `root` (null: `hive.root`) unchanged.
void CommitWineText(WineHiveFile* hive, RegNode* root, std::string text,
                    const std::vector<WineBlockSpan>& spans);

// The header wineserver writes for a hive whose keys are relative to `base`
// (e.g. "REGISTRY\\User\\S-1-5-21-0-0-0-1000"); `arch_line` like "#arch=win64" or empty.
std::string WineHeader(std::string_view base, std::string_view arch_line);

// Escapes a name or text as wineserver does; `quote` and `quote2` get a backslash too.
void AppendWineEscaped(std::string& out, std::u16string_view text, char quote, char quote2);

}  // namespace platform
