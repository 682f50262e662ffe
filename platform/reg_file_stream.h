// The .reg reader as a stream: lines are decoded one at a time from a file
// read in pieces, and each change is handed on as soon as it is read, so that
// a quarter-gigabyte export is never held whole, neither as text nor as a
// list of changes. Used by reg_file_reader.cpp and reg_file_import.cpp.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/reg_file.h"

namespace platform {

// The lines of a .reg file, decoded to UTF-16 one at a time: UTF-16LE after
// its BOM, else UTF-8 (after an optional BOM) when the whole text is valid
// UTF-8, else Windows-1252. Lines end at CR, LF or CR LF.
class RegLineReader {
 public:
  // Reads `bytes`, which must outlive the reader. UTF-16 text is taken in
  // pieces of at most `piece_units` units (0: the size files are read in);
  // small pieces let tests try every way a line can fall across two.
  explicit RegLineReader(std::string_view bytes, std::size_t piece_units = 0);
  // Reads the open file `fd` (not closed here) from where it stands;
  // `file_name` names it in errors.
  RegLineReader(int fd, std::string_view file_name);
  RegLineReader(const RegLineReader&) = delete;
  RegLineReader& operator=(const RegLineReader&) = delete;

  // The next line, without its end; it stays valid until the next call.
  // False at the end of the text, and when the file cannot be read (then
  // `read_error` says why).
  bool Next(std::u16string_view* line);
  const std::string& read_error() const { return read_error_; }

 private:
  enum class Mode { kUnknown, kUtf16, kUtf8, kCp1252 };

  bool Start();
  std::size_t ReadBytes(char* out, std::size_t size);
  bool FillUtf16();
  bool NextUtf16(std::u16string_view* line);
  bool NextEightBit(std::u16string_view* line);

  std::string_view memory_;  // what is left to read, when reading from memory
  std::size_t piece_units_;
  int fd_ = -1;
  std::string_view file_name_;
  std::string read_error_;
  Mode mode_ = Mode::kUnknown;
  bool eof_ = false;

  // UTF-16: units read but not yet handed out, in buf_[begin_, end_); an odd
  // byte read last waits in the byte after end_.
  std::u16string buf_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::size_t bytes_ = 0;    // bytes held in buf_ (2 * end_, plus an odd one)
  std::size_t scanned_ = 0;  // units after begin_ already known to hold no line end
  bool skip_lf_ = false;     // the last line ended in CR: an LF right after belongs to it

  // 8-bit: the whole text (owned when read from a file) and where the next line starts.
  std::string owned_;
  std::string_view text_;
  std::size_t pos_ = 0;
  std::u16string line_;
};

// 8-bit text: UTF-8 when it is valid UTF-8, else the Windows code page 1252
// that REGEDIT4 files from Western systems use.
std::u16string DecodeEightBit(std::string_view bytes);

// Receives the changes of a .reg file in file order. The op's strings are
// reused for the next change: copy what must be kept.
class RegOpSink {
 public:
  virtual ~RegOpSink() = default;
  // False stops the parse; the sink has then set `error`.
  virtual bool Add(const RegFileOp& op, std::string* error) = 0;
};

// Parses the lines of `reader`, handing each change to `sink` as it is read.
// Errors read "FILE:LINE: what is wrong", or "cannot read FILE: why".
bool ParseRegLines(RegLineReader& reader, std::string_view file_name, RegOpSink& sink, std::string* error);

// Applies changes one at a time to `registry`, keeping the keys of the
// current path open so that the next key is mostly opened below one of them
// instead of from the root.
class RegApplySink : public RegOpSink {
 public:
  RegApplySink(Registry& registry, std::string_view file_name) : registry_(registry), file_name_(file_name) {}
  ~RegApplySink() override;
  RegApplySink(const RegApplySink&) = delete;
  RegApplySink& operator=(const RegApplySink&) = delete;

  bool Add(const RegFileOp& op, std::string* error) override;

 private:
  struct OpenedKey {
    RegKey root;
    std::u16string path;
    RegKey handle;
  };
  bool OpenCurrent(const RegFileOp& op, std::int32_t* status);
  void CloseAll();
  bool Fail(const RegFileOp& op, const std::string& what, std::int32_t status, std::string* error);

  Registry& registry_;
  std::string_view file_name_;
  // The current key last; each entry's path is a prefix of the next one's.
  std::vector<OpenedKey> open_;
  RegKey current_ = 0;
  bool stale_ = false;  // a key was deleted since: what is open may be gone
};

// "not found", "access denied", ... for an error message.
std::string RegStatusText(std::int32_t status);

}  // namespace platform
