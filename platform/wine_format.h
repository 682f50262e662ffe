// Wine's registry file format ("WINE REGISTRY Version 2"): reading it into a
// key tree and writing the tree back the way wineserver does, so that Wine
// reads it back the same and keys nobody touched stay byte for byte.
#pragma once

#include <cstddef>
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

// One file parsed in two parts at once, for a load spread over two threads.
// The result is exactly what ParseWineRegistry gives: the same keys in the
// same order, values, flags and block offsets, and the same first error with
// its line. The first part may be parsed on one thread while the second is
// on another; Finish joins the two trees.
class WineSplitParse {
 public:
  // `first_size`: about how much of the text the first part should take. The
  // cut goes at the start of a key line that follows a blank line (no value
  // can run on across one); without one, the first part takes everything.
  WineSplitParse(std::string text, std::string_view label, std::size_t first_size);
  ~WineSplitParse();
  WineSplitParse(const WineSplitParse&) = delete;
  WineSplitParse& operator=(const WineSplitParse&) = delete;

  // Where the second part starts (the text's size when there is none).
  std::size_t cut() const { return cut_; }
  // Each may run on a thread of its own; each runs once.
  void ParseFirst();
  void ParseSecond();
  // Parses what has not been parsed yet, joins the parts and hands over the
  // result. Exceptions thrown while parsing (std::bad_alloc, std::length_error
  // for a value of 4 GiB) are thrown here, the first part's first.
  bool Finish(WineHiveFile* out, std::string* error);

 private:
  struct Part;
  std::string text_;
  std::string label_;
  std::size_t cut_;
  std::unique_ptr<Part> parts_[2];
};

// Moves every key, value and option of the tree `from` into `into`, as if the
// lines `from` was parsed of had come after those of `into` in one file.
// False (and nothing changed) when a key both name is spelled otherwise in
// `from`: which blocks must be written anew then depends on the order of the
// lines, which the trees no longer tell.
bool JoinWineTrees(RegNode* into, std::unique_ptr<RegNode>& from);

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
