// The parser of Wine's registry file format, shared by the whole-file read
// (wine_format.cpp) and the read in two parts (wine_format_split.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/reg_tree.h"
#include "platform/wine_format.h"

namespace platform::wine_parse {

// Reads the lines of text[begin, end): the whole file, or one part of it
// starting at a key line (see WineSplitParse).
class Parser {
 public:
  Parser(const std::string& text, std::string_view label, std::size_t begin, std::size_t end)
      : text_(text), label_(label), end_(end), next_(begin) {}

  // `first`: the part starts the file, whose first line is checked and whose
  // header is kept. The tree goes to `out` (its root owning the arena).
  bool Run(bool first, WineHiveFile* out);
  // "system.reg line 12: ...", counting `lines_before` lines ahead of the part.
  std::string Error(std::size_t lines_before) const {
    return std::string(label_) + " line " + std::to_string(lines_before + error_line_) + ": " + error_;
  }

 private:
  bool Fail(const std::string& what) {
    error_ = what;
    error_line_ = line_no_;
    return false;
  }
  // Moves to the next line; false at the end of the text.
  bool NextLine();
  bool ParseKeyLine(RegNode* root);
  bool ParseOption(RegNode* node);
  bool ParseValue();
  void EndBlock(RegNode* node, std::size_t block_end);
  // Reads an escaped text from `p` up to the unescaped `end_char` on this line,
  // as 16-bit units appended to `out`, and leaves `p` after `end_char`.
  template <typename Sink>
  bool ParseString(const char*& p, char end_char, Sink sink, const char* what);
  bool ParseHex(const char*& p, std::vector<std::uint8_t>* data);

  const std::string& text_;
  std::string_view label_;
  std::string error_;
  std::size_t error_line_ = 0;
  std::size_t end_;  // where the part ends: a line start, or the text's size
  std::size_t line_start_ = 0;
  std::size_t line_end_ = 0;  // index of the '\n' (or end_)
  std::size_t next_;
  std::size_t line_no_ = 0;  // within the part

  std::vector<RegNode*> nodes_;  // the previous key and its parents
  // For each of nodes_: how many of it and its parents the previous key line
  // spelled otherwise than the name the key keeps (another case).
  std::vector<std::uint32_t> respelled_;
  std::string_view prev_key_;          // the previous key line's name as written
  std::vector<std::size_t> raw_seps_;  // where in it each separator ends
  std::vector<std::size_t> raw_need_;  // how much of it must match to reuse the key before each
  // Scratch space reused from line to line.
  std::u16string key_;
  std::vector<std::size_t> cuts_;
  std::u16string name_;
  std::vector<std::uint8_t> data_;
  std::vector<RegTreeValue> pending_;  // values of the current block, moved in at its end
  ByteArena* arena_ = nullptr;         // the new root's: where the values' bytes go
};

}  // namespace platform::wine_parse
