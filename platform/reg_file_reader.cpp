// Import side of .reg files: "Windows Registry Editor Version 5.00" (UTF-16LE
// with BOM, or 8-bit) and "REGEDIT4". The whole file is parsed before anything
// is applied, so a malformed file changes nothing.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/reg_file.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";

// Windows-1252 for 0x80..0x9F; the rest of the 8-bit range is Latin-1.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    int extra;
    if (b < 0x80) {
      extra = 0;
    } else if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (i + extra >= s.size() && extra > 0) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += 1 + extra;
  }
  return true;
}

// 8-bit text: UTF-8 when it is valid UTF-8, else the Windows code page 1252
// that REGEDIT4 files from Western systems use.
std::u16string Decode8Bit(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return ToUtf16(bytes);
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const unsigned char b = static_cast<unsigned char>(ch);
    out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
  }
  return out;
}

std::u16string DecodeFile(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return out;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return Decode8Bit(bytes);
}

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
  Parser(std::string_view file_name, std::vector<RegFileOp>* ops, std::string* error)
      : file_name_(file_name), ops_(ops), error_(error) {}

  bool Run(std::u16string_view text) {
    SplitLines(text);
    if (lines_.empty()) return Fail(1, "the file is empty");
    const std::u16string_view header = TrimRight(lines_[0]);
    if (header == kHeader5) {
      regedit4_ = false;
    } else if (header == kHeader4) {
      regedit4_ = true;
    } else {
      return Fail(1,
                  "not a registry file (the first line must be \"Windows Registry Editor Version 5.00\" or "
                  "\"REGEDIT4\")");
    }
    for (next_ = 1; next_ < lines_.size();) {
      const int line_no = static_cast<int>(next_) + 1;
      const std::u16string_view line = TrimLeft(lines_[next_++]);
      if (line.empty() || line.front() == u';') continue;
      if (line.front() == u'[') {
        if (!ParseKeyLine(line, line_no)) return false;
      } else if (line.front() == u'@' || line.front() == u'"') {
        if (!ParseValueLine(line, line_no)) return false;
      } else {
        return Fail(line_no, "unrecognised line");
      }
    }
    return true;
  }

 private:
  void SplitLines(std::u16string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\r' || text[i] == u'\n') {
        lines_.push_back(text.substr(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
      }
    }
    if (start < text.size()) lines_.push_back(text.substr(start));
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
    RegFileOp op;
    op.kind = remove ? RegFileOp::Kind::kDeleteKey : RegFileOp::Kind::kCreateKey;
    op.line = line_no;
    if (name.empty() || !SplitRootPath(name, true, &op.root, &op.path)) {
      const std::u16string_view root = name.substr(0, name.find(u'\\'));
      return Fail(line_no, "unknown root key \"" + ToUtf8(root) + "\"");
    }
    if (remove && op.path.empty()) return Fail(line_no, "a whole root key cannot be deleted");
    have_key_ = !remove;
    key_root_ = op.root;
    key_path_ = op.path;
    ops_->push_back(std::move(op));
    return true;
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
  std::u16string JoinContinued(std::u16string_view first) {
    std::u16string data(first);
    auto continues = [](std::u16string& d) {
      std::u16string_view v = TrimRight(d);
      if (v.empty() || v.back() != u'\\') return false;
      d.resize(v.size() - 1);
      return true;
    };
    while (continues(data) && next_ < lines_.size()) {
      const std::u16string_view more = TrimLeft(lines_[next_++]);
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
        Decode8Bit(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
      out.push_back(static_cast<std::uint8_t>(c & 0xFF));
      out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
  }

  bool ParseValueLine(std::u16string_view line, int line_no) {
    RegFileOp op;
    op.line = line_no;
    std::size_t pos = 1;
    if (line.front() == u'"' && !ParseQuoted(line, &pos, &op.name, line_no)) return false;
    std::u16string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != u'=') return Fail(line_no, "missing \"=\" after the value name");
    rest = TrimLeft(rest.substr(1));
    if (!have_key_ && ops_->empty()) return Fail(line_no, "a value before the first key");

    if (!rest.empty() && rest.front() == u'-') {
      if (!OnlyTrailer(rest.substr(1))) return Fail(line_no, "unrecognised value data");
      op.kind = RegFileOp::Kind::kDeleteValue;
    } else if (!rest.empty() && rest.front() == u'"') {
      std::size_t p = 1;
      std::u16string text;
      if (!ParseQuoted(rest, &p, &text, line_no)) return false;
      if (!OnlyTrailer(rest.substr(p))) return Fail(line_no, "unexpected text after the closing quote");
      op.kind = RegFileOp::Kind::kSetValue;
      op.value = MakeSz(text);
    } else if (StartsWithNoCase(rest, u"dword:")) {
      std::u16string_view digits = rest.substr(6);
      std::size_t n = 0;
      std::uint32_t number = 0;
      while (n < digits.size() && HexDigit(digits[n]) >= 0) number = number * 16 + HexDigit(digits[n++]);
      if (n == 0 || n > 8 || !OnlyTrailer(digits.substr(n))) return Fail(line_no, "bad dword data");
      op.kind = RegFileOp::Kind::kSetValue;
      op.value = MakeDword(number);
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
      const std::u16string data = JoinContinued(spec.substr(1));
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
    op.root = key_root_;
    op.path = key_path_;
    ops_->push_back(std::move(op));
    return true;
  }

  std::string_view file_name_;
  std::vector<RegFileOp>* ops_;
  std::string* error_;
  std::vector<std::u16string_view> lines_;
  std::size_t next_ = 0;
  bool regedit4_ = false;
  bool have_key_ = false;
  RegKey key_root_ = 0;
  std::u16string key_path_;
};

std::string StatusText(std::int32_t status) {
  switch (status) {
    case kRegNotFound:
      return "not found";
    case kRegAccessDenied:
      return "access denied";
    case kRegWriteFault:
      return "write fault";
    case kRegInvalidParameter:
      return "invalid name";
    default:
      return "error " + std::to_string(status);
  }
}

}  // namespace

bool ParseRegFile(std::string_view bytes, std::string_view file_name, std::vector<RegFileOp>* ops,
                  std::string* error) {
  std::vector<RegFileOp> parsed;
  const std::u16string text = DecodeFile(bytes);
  Parser parser(file_name, &parsed, error);
  if (!parser.Run(text)) return false;
  *ops = std::move(parsed);
  return true;
}

bool ApplyRegOps(Registry& registry, const std::vector<RegFileOp>& ops, std::string_view file_name,
                 std::string* error) {
  RegKey current = 0;
  auto fail = [&](const RegFileOp& op, const std::string& what, std::int32_t status) {
    if (current != 0) registry.CloseKey(current);
    std::u16string key(RootKeyName(op.root));
    if (!op.path.empty()) key += u'\\' + op.path;
    *error = std::string(file_name) + ":" + std::to_string(op.line) + ": " + what + " \"" + ToUtf8(key) +
             "\": " + StatusText(status);
    return false;
  };
  for (const RegFileOp& op : ops) {
    std::int32_t status = kRegOk;
    switch (op.kind) {
      case RegFileOp::Kind::kCreateKey:
        if (current != 0) registry.CloseKey(current);
        current = 0;
        if (op.path.empty()) {
          current = op.root;
        } else if ((status = registry.CreateKey(op.root, op.path, &current)) != kRegOk) {
          current = 0;
          return fail(op, "cannot create key", status);
        }
        break;
      case RegFileOp::Kind::kDeleteKey:
        status = registry.DeleteTree(op.root, op.path);
        if (status != kRegOk && status != kRegNotFound) return fail(op, "cannot delete key", status);
        break;
      case RegFileOp::Kind::kSetValue:
        if ((status = registry.SetValue(current, op.name, op.value)) != kRegOk) {
          return fail(op, "cannot set a value of", status);
        }
        break;
      case RegFileOp::Kind::kDeleteValue:
        status = registry.DeleteValue(current, op.name);
        if (status != kRegOk && status != kRegNotFound) return fail(op, "cannot delete a value of", status);
        break;
    }
  }
  if (current != 0) registry.CloseKey(current);
  return true;
}

bool ImportRegFile(Registry& registry, const std::string& file, std::string* error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = "cannot read " + file + ": " + std::strerror(errno);
    return false;
  }
  // Read in big pieces: a Windows-sized export is a quarter of a gigabyte.
  std::string bytes;
  std::vector<char> piece(1 << 20);
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
    bytes.append(piece.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) {
    *error = "cannot read " + file;
    return false;
  }
  std::vector<RegFileOp> ops;
  if (!ParseRegFile(bytes, file, &ops, error)) return false;
  if (!ApplyRegOps(registry, ops, file, error)) return false;
  const std::int32_t status = registry.Flush();
  if (status != kRegOk) {
    *error = "cannot save the registry after importing " + file + ": " + StatusText(status);
    return false;
  }
  return true;
}

}  // namespace platform
