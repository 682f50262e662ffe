// Import side of .reg files: "Windows Registry Editor Version 5.00" (UTF-16LE
// with BOM, or 8-bit) and "REGEDIT4". Lines are read one at a time and each
// change is handed on as soon as it is read (see reg_file_stream.h).
#include "platform/reg_file.h"
#include "platform/reg_file_stream.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view TrimLeft(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}
std::u16string_view TrimRight(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// What may follow a value's data: nothing but blanks and a ";" comment.
bool OnlyTrailer(std::u16string_view rest) {
  rest = TrimLeft(rest);
  return rest.empty() || rest.front() == u';';
}

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

class Parser {
 public:
  Parser(RegLineReader& reader, std::string_view file_name, RegOpSink& sink, std::string* error)
      : reader_(reader), file_name_(file_name), sink_(sink), error_(error) {}

  bool Run() {
    std::u16string_view first;
    if (!NextLine(&first)) {
      if (!ReadFailed()) Fail(1, "the file is empty");
      return false;
    }
    const std::u16string_view header = TrimRight(first);
    if (header == kHeader5) {
      regedit4_ = false;
    } else if (header == kHeader4) {
      regedit4_ = true;
    } else {
      return Fail(1,
                  "not a registry file (the first line must be \"Windows Registry Editor Version 5.00\" or "
                  "\"REGEDIT4\")");
    }
    std::u16string_view raw;
    while (NextLine(&raw)) {
      const int line_no = line_count_;
      const std::u16string_view line = TrimLeft(raw);
      if (line.empty() || line.front() == u';') continue;
      if (line.front() == u'[') {
        if (!ParseKeyLine(line, line_no)) return false;
      } else if (line.front() == u'@' || line.front() == u'"') {
        if (!ParseValueLine(line, line_no)) return false;
      } else {
        return Fail(line_no, "unrecognised line");
      }
    }
    return !ReadFailed();
  }

 private:
  bool NextLine(std::u16string_view* line) {
    if (!reader_.Next(line)) return false;
    ++line_count_;
    return true;
  }

  // True (with the error set) when the file could not be read to its end.
  bool ReadFailed() {
    if (reader_.read_error().empty()) return false;
    *error_ = reader_.read_error();
    return true;
  }

  bool Fail(int line_no, const std::string& what) {
    *error_ = std::string(file_name_) + ":" + std::to_string(line_no) + ": " + what;
    return false;
  }

  bool ParseKeyLine(std::u16string_view line, int line_no) {
    const std::size_t close = line.rfind(u']');
    if (close == std::u16string_view::npos || !OnlyTrailer(line.substr(close + 1))) {
      return Fail(line_no, "a key line must end with \"]\"");
    }
    std::u16string_view name = line.substr(1, close - 1);
    const bool remove = !name.empty() && name.front() == u'-';
    if (remove) name.remove_prefix(1);
    RegFileOp& op = op_;
    op.kind = remove ? RegFileOp::Kind::kDeleteKey : RegFileOp::Kind::kCreateKey;
    op.line = line_no;
    op.name.clear();
    op.value = RegValue();
    if (name.empty() || !SplitRootPath(name, true, &op.root, &op.path)) {
      const std::u16string_view root = name.substr(0, name.find(u'\\'));
      return Fail(line_no, "unknown root key \"" + ToUtf8(root) + "\"");
    }
    if (remove && op.path.empty()) return Fail(line_no, "a whole root key cannot be deleted");
    have_key_ = !remove;
    seen_key_line_ = true;
    // op_.root and op_.path keep naming this key for the values that follow.
    return sink_.Add(op, error_);
  }

  // Reads a quoted text starting after its opening quote; `pos` ends after
  // the closing quote.
  bool ParseQuoted(std::u16string_view line, std::size_t* pos, std::u16string* out, int line_no) {
    for (std::size_t i = *pos; i < line.size(); ++i) {
      const char16_t c = line[i];
      if (c == u'"') {
        *pos = i + 1;
        return true;
      }
      if (c != u'\\') {
        out->push_back(c);
        continue;
      }
      if (++i == line.size()) break;
      switch (line[i]) {
        case u'\\':
        case u'"':
          out->push_back(line[i]);
          break;
        case u'n':
          out->push_back(u'\n');
          break;
        case u'r':
          out->push_back(u'\r');
          break;
        case u'0':
          out->push_back(u'\0');
          break;
        default:
          return Fail(line_no, "unknown escape sequence \"\\" + ToUtf8(line.substr(i, 1)) + "\"");
      }
    }
    return Fail(line_no, "missing closing quote");
  }

  // Joins the hex data of a value continued over several lines ("\" at the end).
  const std::u16string& JoinContinued(std::u16string_view first) {
    std::u16string& data = joined_;
    data.assign(first);
    auto continues = [](std::u16string& d) {
      std::u16string_view v = TrimRight(d);
      if (v.empty() || v.back() != u'\\') return false;
      d.resize(v.size() - 1);
      return true;
    };
    std::u16string_view raw;
    while (continues(data) && NextLine(&raw)) {
      const std::u16string_view more = TrimLeft(raw);
      if (!more.empty() && more.front() == u';') {
        data.push_back(u'\\');  // a comment between continuation lines
        continue;
      }
      data.append(more);
    }
    return data;
  }

  bool ParseHexBytes(std::u16string_view text, std::vector<std::uint8_t>* out, int line_no) {
    std::size_t i = 0;
    while (true) {
      while (i < text.size() && IsBlank(text[i])) ++i;
      if (i == text.size() || text[i] == u';') return true;
      const int hi = HexDigit(text[i]);
      if (hi < 0) return Fail(line_no, "bad hex data");
      int byte = hi;
      ++i;
      if (i < text.size() && HexDigit(text[i]) >= 0) byte = byte * 16 + HexDigit(text[i++]);
      out->push_back(static_cast<std::uint8_t>(byte));
      while (i < text.size() && IsBlank(text[i])) ++i;
      if (i == text.size() || text[i] == u';') return true;
      if (text[i] != u',') return Fail(line_no, "bad hex data");
      ++i;
    }
  }

  // REGEDIT4 keeps the text of hex(2) and hex(7) values as 8-bit characters.
  static std::vector<std::uint8_t> Widen8BitText(const std::vector<std::uint8_t>& bytes) {
    const std::u16string text =
        DecodeEightBit(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
      out.push_back(static_cast<std::uint8_t>(c & 0xFF));
      out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
  }

  bool ParseValueLine(std::u16string_view line, int line_no) {
    RegFileOp& op = op_;
    op.line = line_no;
    op.name.clear();
    op.value.type = kRegNone;
    op.value.data.clear();
    std::size_t pos = 1;
    if (line.front() == u'"' && !ParseQuoted(line, &pos, &op.name, line_no)) return false;
    std::u16string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != u'=') return Fail(line_no, "missing \"=\" after the value name");
    rest = TrimLeft(rest.substr(1));
    if (!have_key_ && !seen_key_line_) return Fail(line_no, "a value before the first key");

    if (!rest.empty() && rest.front() == u'-') {
      if (!OnlyTrailer(rest.substr(1))) return Fail(line_no, "unrecognised value data");
      op.kind = RegFileOp::Kind::kDeleteValue;
    } else if (!rest.empty() && rest.front() == u'"') {
      std::size_t p = 1;
      text_.clear();
      if (!ParseQuoted(rest, &p, &text_, line_no)) return false;
      if (!OnlyTrailer(rest.substr(p))) return Fail(line_no, "unexpected text after the closing quote");
      op.kind = RegFileOp::Kind::kSetValue;
      op.value.type = kRegSz;
      std::vector<std::uint8_t>& data = op.value.data;
      data.reserve((text_.size() + 1) * 2);
      for (char16_t c : text_) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
      }
      data.push_back(0);
      data.push_back(0);
    } else if (StartsWithNoCase(rest, u"dword:")) {
      std::u16string_view digits = rest.substr(6);
      std::size_t n = 0;
      std::uint32_t number = 0;
      while (n < digits.size() && HexDigit(digits[n]) >= 0) number = number * 16 + HexDigit(digits[n++]);
      if (n == 0 || n > 8 || !OnlyTrailer(digits.substr(n))) return Fail(line_no, "bad dword data");
      op.kind = RegFileOp::Kind::kSetValue;
      op.value.type = kRegDword;
      for (int k = 0; k < 4; ++k) op.value.data.push_back(static_cast<std::uint8_t>(number >> (8 * k)));
    } else if (StartsWithNoCase(rest, u"hex")) {
      std::u16string_view spec = rest.substr(3);
      std::uint32_t type = kRegBinary;
      if (!spec.empty() && spec.front() == u'(') {
        const std::size_t close = spec.find(u')');
        if (close == std::u16string_view::npos || close == 1 || close > 9)
          return Fail(line_no, "bad hex type");
        type = 0;
        for (std::size_t k = 1; k < close; ++k) {
          if (HexDigit(spec[k]) < 0) return Fail(line_no, "bad hex type");
          type = type * 16 + HexDigit(spec[k]);
        }
        spec.remove_prefix(close + 1);
      }
      if (spec.empty() || spec.front() != u':') return Fail(line_no, "unrecognised value data");
      // From here on `line` and `rest` may be gone: the next lines are read.
      const std::u16string& data = JoinContinued(spec.substr(1));
      op.kind = RegFileOp::Kind::kSetValue;
      op.value.type = type;
      if (!ParseHexBytes(data, &op.value.data, line_no)) return false;
      if (regedit4_ && (type == kRegExpandSz || type == kRegMultiSz))
        op.value.data = Widen8BitText(op.value.data);
    } else {
      return Fail(line_no, "unrecognised value data");
    }
    // Values after a "[-KEY]" line belong to no key; the editor skips them.
    if (!have_key_) return true;
    return sink_.Add(op, error_);
  }

  RegLineReader& reader_;
  std::string_view file_name_;
  RegOpSink& sink_;
  std::string* error_;
  int line_count_ = 0;
  bool regedit4_ = false;
  bool have_key_ = false;
  bool seen_key_line_ = false;
  RegFileOp op_;  // reused for every change: its strings keep their memory
  std::u16string text_;
  std::u16string joined_;
};

class CollectSink : public RegOpSink {
 public:
  explicit CollectSink(std::vector<RegFileOp>* ops) : ops_(ops) {}
  bool Add(const RegFileOp& op, std::string* /*error*/) override {
    ops_->push_back(op);
    return true;
  }

 private:
  std::vector<RegFileOp>* ops_;
};

}  // namespace

bool ParseRegLines(RegLineReader& reader, std::string_view file_name, RegOpSink& sink, std::string* error) {
  return Parser(reader, file_name, sink, error).Run();
}

bool ParseRegFile(std::string_view bytes, std::string_view file_name, std::vector<RegFileOp>* ops,
                  std::string* error) {
  std::vector<RegFileOp> parsed;
  CollectSink sink(&parsed);
  RegLineReader reader(bytes);
  if (!ParseRegLines(reader, file_name, sink, error)) return false;
  *ops = std::move(parsed);
  return true;
}

}  // namespace platform
