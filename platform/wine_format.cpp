#include "platform/wine_format.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string_view>
#include <type_traits>

#include "platform/registry.h"
#include "platform/text.h"
#include "platform/wine_format_parser.h"

namespace platform {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000ULL;
constexpr std::uint64_t kEpochDiff = 116444736000000000ULL;  // 1601 to 1970 in 100 ns units
// Values at least this big are handed over in the buffer they were read into.
constexpr std::size_t kTakeBufferSize = 1u << 20;

struct HexTable {
  signed char digit[256];
  constexpr HexTable() : digit() {
    for (signed char& d : digit) d = -1;
    for (int i = 0; i < 10; ++i) digit['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
      digit['a' + i] = static_cast<signed char>(10 + i);
      digit['A' + i] = static_cast<signed char>(10 + i);
    }
  }
};
constexpr HexTable kHex;

int HexDigit(char c) { return kHex.digit[static_cast<unsigned char>(c)]; }

// EqualsNoCase with the usual outcome, two different ASCII names, settled inline.
bool SameValueName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x == y) continue;
    if (x >= 0x80 || y >= 0x80) return EqualsNoCase(a.substr(i), b.substr(i));
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void PutUnit(std::vector<std::uint8_t>& out, char32_t c) {
  out.push_back(static_cast<std::uint8_t>(c & 0xFF));
  out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
}

// Printable ASCII other than the escape and the closing character: most of a
// file. Such runs are copied whole instead of one unit at a time.
bool IsPlain(char c, char end_char) { return c >= 0x20 && c < 0x7F && c != '\\' && c != end_char; }

void AppendAscii(std::u16string& out, std::string_view run) {
  const std::size_t n = out.size();
  out.resize(n + run.size());
  for (std::size_t i = 0; i < run.size(); ++i) out[n + i] = static_cast<char16_t>(run[i]);
}

void PutAscii(std::vector<std::uint8_t>& out, std::string_view run) {
  const std::size_t n = out.size();
  out.resize(n + 2 * run.size());
  for (std::size_t i = 0; i < run.size(); ++i) {
    out[n + 2 * i] = static_cast<std::uint8_t>(run[i]);
    out[n + 2 * i + 1] = 0;
  }
}

// A hash of the name that ignores case, for finding repeated names quickly.
std::uint64_t NameHash(std::u16string_view name) {
  std::uint64_t h = 14695981039346656037ULL;
  for (char16_t c : name) {
    if (c < 0x80) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    } else {
      c = FoldCase(c);
    }
    h = (h ^ c) * 1099511628211ULL;
  }
  return h;
}

// Whether two values of a block share a name. Files hardly ever repeat one, but
// a key may hold thousands of values, so big blocks are checked through hashes.
bool HasRepeatedName(const std::vector<RegTreeValue>& values) {
  const std::size_t n = values.size();
  if (n < 2) return false;
  if (n <= 16) {
    for (std::size_t i = 1; i < n; ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        if (SameValueName(values[i].name, values[j].name)) return true;
      }
    }
    return false;
  }
  std::vector<std::pair<std::uint64_t, std::size_t>> hashes;
  hashes.reserve(n);
  for (std::size_t i = 0; i < n; ++i) hashes.emplace_back(NameHash(values[i].name), i);
  std::sort(hashes.begin(), hashes.end());
  for (std::size_t i = 1; i < n; ++i) {
    if (hashes[i].first != hashes[i - 1].first) continue;
    // Equal hashes: any value of this run may repeat any other.
    for (std::size_t j = i; j > 0 && hashes[j - 1].first == hashes[i].first; --j) {
      if (SameValueName(values[hashes[i].second].name, values[hashes[j - 1].second].name)) return true;
    }
  }
  return false;
}

// A later value of the same name replaces the earlier one in its place.
void MergeRepeatedNames(std::vector<RegTreeValue>& values) {
  std::vector<RegTreeValue> merged;
  merged.reserve(values.size());
  for (auto& value : values) {
    auto old = std::find_if(merged.begin(), merged.end(),
                            [&](const RegTreeValue& m) { return SameValueName(m.name, value.name); });
    if (old != merged.end()) {
      *old = std::move(value);
    } else {
      merged.push_back(std::move(value));
    }
  }
  values = std::move(merged);
}

// A sink made of one unit-at-a-time lambda and one whole-run lambda.
template <typename... Fs>
struct Sinks : Fs... {
  using Fs::operator()...;
};
template <typename... Fs>
Sinks(Fs...) -> Sinks<Fs...>;

}  // namespace

namespace wine_parse {

bool Parser::NextLine() {
  if (next_ >= end_) return false;
  line_start_ = next_;
  const void* nl = std::memchr(text_.data() + next_, '\n', end_ - next_);
  line_end_ = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data()) : end_;
  next_ = line_end_ + 1;
  ++line_no_;
  return true;
}

template <typename Sink>
bool Parser::ParseString(const char*& p, char end_char, Sink sink, const char* what) {
  const char* end = text_.data() + line_end_;
  while (true) {
    if constexpr (std::is_invocable_v<Sink, std::string_view>) {
      const char* run_end = p;
      while (run_end < end && IsPlain(*run_end, end_char)) ++run_end;
      if (run_end != p) {
        sink(std::string_view(p, static_cast<std::size_t>(run_end - p)));
        p = run_end;
      }
    }
    if (p >= end) return Fail(std::string("unterminated ") + what);
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == static_cast<unsigned char>(end_char)) {
      ++p;
      return true;
    }
    ++p;
    if (c == '\\') {
      if (p >= end) return Fail(std::string("unterminated ") + what);
      switch (*p) {
        case 'a':
          ++p, sink(7);
          continue;
        case 'b':
          ++p, sink(8);
          continue;
        case 'e':
          ++p, sink(27);
          continue;
        case 'f':
          ++p, sink(12);
          continue;
        case 'n':
          ++p, sink(10);
          continue;
        case 'r':
          ++p, sink(13);
          continue;
        case 't':
          ++p, sink(9);
          continue;
        case 'v':
          ++p, sink(11);
          continue;
        case 'x': {
          ++p;
          char32_t v = 0;
          int n = 0;
          while (n < 4 && p < end && HexDigit(*p) >= 0)
            v = v * 16 + static_cast<char32_t>(HexDigit(*p++)), ++n;
          sink(n ? v : U'x');
          continue;
        }
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7': {
          char32_t v = static_cast<char32_t>(*p++ - '0');
          for (int n = 1; n < 3 && p < end && *p >= '0' && *p <= '7'; ++n)
            v = v * 8 + static_cast<char32_t>(*p++ - '0');
          sink(v);
          continue;
        }
        default:
          // Any other escaped character stands for itself, read as below
          // (so an escaped UTF-8 sequence is still one character).
          c = static_cast<unsigned char>(*p++);
          break;
      }
    }
    if (c < 0x80) {
      sink(c);
      continue;
    }
    // Raw UTF-8 (wineserver itself writes only ASCII, but tools may not),
    // decoded as wineserver does: a sequence that is cut short, too long or
    // out of range stands for nothing, and only the continuation bytes that
    // fit are consumed, so a following '\\', quote or ']' keeps its meaning.
    const int extra = c >= 0xC2 && c <= 0xDF   ? 1
                      : c >= 0xE0 && c <= 0xEF ? 2
                      : c >= 0xF0 && c <= 0xF4 ? 3
                                               : 0;
    static constexpr unsigned char kLeadMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    static constexpr char32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (extra == 0) continue;
    char32_t v = c & kLeadMask[extra];
    int n = 0;
    while (n < extra && p < end && (static_cast<unsigned char>(*p) ^ 0x80) < 0x40)
      v = (v << 6) | (static_cast<unsigned char>(*p++) ^ 0x80), ++n;
    if (n < extra || v < kMinimum[extra] || v > 0x10FFFF) continue;
    if (v <= 0xFFFF) {
      sink(v);
    } else {
      v -= 0x10000;
      sink(0xD800 | (v >> 10));
      sink(0xDC00 | (v & 0x3FF));
    }
  }
}

bool Parser::ParseHex(const char*& p, std::vector<std::uint8_t>* data) {
  while (true) {
    const char* end = text_.data() + line_end_;
    // At most one byte per two characters: no growth inside the line. Across
    // lines the buffer grows geometrically, or a value of many lines would
    // be copied once per line.
    const std::size_t need = data->size() + static_cast<std::size_t>(end - p) / 2 + 1;
    if (need > data->capacity()) data->reserve(std::max(need, 2 * data->capacity()));
    while (p < end && IsSpace(*p)) ++p;
    while (p < end) {
      int v = HexDigit(*p);
      if (v < 0) break;
      ++p;
      if (p < end) {
        int lo = HexDigit(*p);
        if (lo >= 0) {
          v = v * 16 + lo;
          ++p;
          if (p < end && HexDigit(*p) >= 0) return Fail("bad hex data");
        }
      }
      data->push_back(static_cast<std::uint8_t>(v));
      while (p < end && IsSpace(*p)) ++p;
      if (p < end && *p == ',') {
        ++p;
        while (p < end && IsSpace(*p)) ++p;
      }
    }
    if (p < end && *p == '\\') {
      if (!NextLine()) return Fail("unterminated hex data");
      p = text_.data() + line_start_;
      continue;
    }
    if (p < end) return Fail("bad hex data");
    return true;
  }
}

bool Parser::ParseKeyLine(RegNode* root) {
  const char* start = text_.data() + line_start_ + 1;
  // Files list keys in tree order, so a key line mostly starts with the text
  // of the previous one: whole components read from that same text are the
  // same keys, and only the rest is decoded and looked up.
  const std::size_t limit = std::min(prev_key_.size(), line_end_ - line_start_ - 1);
  std::size_t raw_same = 0;
  while (raw_same < limit && start[raw_same] == prev_key_[raw_same]) ++raw_same;
  std::size_t shared = 0;
  // Everything up to a separator must match, and for a separator written as
  // a number escape the byte after it too: "\\x5c" reads differently before
  // "z" and before "b".
  while (shared < raw_need_.size() && raw_need_[shared] <= raw_same) ++shared;
  raw_seps_.resize(shared);
  raw_need_.resize(shared);
  const char* p = start + (shared ? raw_seps_.back() : 0);
  key_.clear();
  cuts_.clear();
  // A separator is always written escaped, so a plain run never holds one.
  if (!ParseString(p, ']',
                   Sinks{[&](char32_t c) {
                           if (c == u'\\') {
                             cuts_.push_back(key_.size());
                             // p is past the separator. Written "\\\\" it
                             // reads the same whatever follows.
                             const auto end = static_cast<std::size_t>(p - start);
                             raw_seps_.push_back(end);
                             raw_need_.push_back(p[-1] == '\\' ? end : end + 1);
                           }
                           key_.push_back(static_cast<char16_t>(c));
                         },
                         [&](std::string_view run) { AppendAscii(key_, run); }},
                   "key name")) {
    return false;
  }
  prev_key_ = std::string_view(start, static_cast<std::size_t>(p - 1 - start));
  cuts_.push_back(key_.size());
  if (key_.empty() && shared == 0) cuts_.clear();  // "[]": the hive's root key
  const char* end = text_.data() + line_end_;
  while (p < end && IsSpace(*p)) ++p;
  std::uint64_t seconds = 0;
  bool has_seconds = false;
  while (p < end && *p >= '0' && *p <= '9')
    seconds = seconds * 10 + static_cast<std::uint64_t>(*p++ - '0'), has_seconds = true;

  std::u16string_view key(key_);
  auto part = [&](std::size_t i) {
    std::size_t from = i == 0 ? 0 : cuts_[i - 1] + 1;
    return key.substr(from, cuts_[i] - from);
  };
  for (std::size_t i = 0; i < cuts_.size(); ++i) {
    if (part(i).empty()) return Fail("bad key name");
  }
  // Further components may still name the same keys, written in another case.
  std::size_t common = 0;
  while (common < cuts_.size() && shared + common < nodes_.size() &&
         CompareKeyNames(part(common), nodes_[shared + common]->name) == 0)
    ++common;
  nodes_.resize(shared + common);
  respelled_.resize(shared);
  auto note_spelling = [&](std::u16string_view text, const RegNode* n) {
    const std::uint32_t before = respelled_.empty() ? 0 : respelled_.back();
    respelled_.push_back(before + (text == std::u16string_view(n->name) ? 0 : 1));
  };
  for (std::size_t i = 0; i < common; ++i) note_spelling(part(i), nodes_[shared + i]);
  RegNode* node = nodes_.empty() ? root : nodes_.back();
  for (std::size_t i = common; i < cuts_.size(); ++i) {
    node = node->AddSubkey(part(i), nullptr, arena_);
    nodes_.push_back(node);
    note_spelling(part(i), node);
  }
  // A block copied as it stands would bring its own spelling back: the
  // first line naming a key, wherever the writer puts it, names it on the
  // next read. One that spells a key otherwise is written anew.
  if (!respelled_.empty() && respelled_.back() != 0) node->flags |= RegNode::kChanged;
  if (node->Has(RegNode::kHadBlock)) node->flags |= RegNode::kChanged;  // a second block: rewrite it
  node->flags |= RegNode::kHadBlock;
  if (has_seconds) {
    node->modified = seconds * kTicksPerSecond + kEpochDiff;
    node->flags |= RegNode::kTimeRead;
  }
  node->raw_offset = line_start_;
  return true;
}

void Parser::EndBlock(RegNode* node, std::size_t block_end) {
  node->raw_length = static_cast<std::uint32_t>(block_end - node->raw_offset);
  if (HasRepeatedName(pending_)) MergeRepeatedNames(pending_);
  if (node->values.empty()) {
    // One piece of the right size: most keys hold a handful of values.
    node->values.AssignIn(*arena_, pending_);
  } else {
    for (auto& v : pending_) {
      if (RegTreeValue* old = node->FindValue(v.name)) {
        *old = std::move(v);
      } else {
        node->values.push_back(std::move(v));
      }
    }
  }
  pending_.clear();
}

bool Parser::ParseOption(RegNode* node) {
  std::string_view line(text_.data() + line_start_, line_end_ - line_start_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.starts_with("#time=")) {
    std::uint64_t t = 0;
    std::size_t i = 6;
    for (; i < line.size() && HexDigit(line[i]) >= 0; ++i)
      t = t * 16 + static_cast<std::uint64_t>(HexDigit(line[i]));
    if (i == 6 || i != line.size()) return Fail("bad time");
    node->modified = t;
    node->flags |= RegNode::kTimeRead;
  } else if (line == "#link") {
    node->flags |= RegNode::kLink;
  } else if (line.starts_with("#class=\"")) {
    const char* p = line.data() + 8;
    RegNodeExtra& extra = node->Extra();
    extra.has_class = true;
    extra.key_class.clear();
    return ParseString(
        p, '"', [&](char32_t c) { extra.key_class.push_back(static_cast<char16_t>(c)); }, "string");
  } else {
    node->Extra().options.emplace_back(line);
  }
  return true;
}

bool Parser::ParseValue() {
  const char* p = text_.data() + line_start_;
  const char* end = text_.data() + line_end_;
  name_.clear();
  data_.clear();
  if (*p == '@') {
    ++p;
  } else {
    ++p;
    if (!ParseString(p, '"',
                     Sinks{[&](char32_t c) { name_.push_back(static_cast<char16_t>(c)); },
                           [&](std::string_view run) { AppendAscii(name_, run); }},
                     "string"))
      return false;
  }
  if (p >= end || *p != '=') return Fail("missing '=' after the value name");
  ++p;
  std::string_view rest(p, static_cast<std::size_t>(end - p));
  RegTreeValue value;
  value.name.assign(*arena_, name_);
  auto parse_text = [&](std::uint32_t type) {
    value.type = type;
    // At most one unit per character left on the line: read without growing.
    data_.reserve(2 * static_cast<std::size_t>(end - p) + 2);
    if (!ParseString(p, '"',
                     Sinks{[&](char32_t c) { PutUnit(data_, c); },
                           [&](std::string_view run) { PutAscii(data_, run); }},
                     "string"))
      return false;
    PutUnit(data_, 0);
    return true;
  };
  auto parse_type = [&](std::size_t skip, std::uint32_t* type) {
    p += skip;
    std::uint32_t t = 0;
    int n = 0;
    while (p < end && HexDigit(*p) >= 0 && n < 8)
      t = t * 16 + static_cast<std::uint32_t>(HexDigit(*p++)), ++n;
    if (n == 0 || p + 1 >= end || p[0] != ')' || p[1] != ':') return Fail("bad value type");
    p += 2;
    *type = t;
    return true;
  };
  if (rest.starts_with("\"")) {
    ++p;
    if (!parse_text(kRegSz)) return false;
  } else if (rest.starts_with("str:\"")) {
    p += 5;
    if (!parse_text(kRegSz)) return false;
  } else if (rest.starts_with("str(")) {
    std::uint32_t type = 0;
    if (!parse_type(4, &type)) return false;
    if (p >= end || *p != '"') return Fail("bad value type");
    ++p;
    if (!parse_text(type)) return false;
  } else if (rest.starts_with("hex:")) {
    p += 4;
    value.type = kRegBinary;
    if (!ParseHex(p, &data_)) return false;
  } else if (rest.starts_with("hex(")) {
    if (!parse_type(4, &value.type)) return false;
    if (!ParseHex(p, &data_)) return false;
  } else if (rest.starts_with("dword:")) {
    p += 6;
    std::uint32_t v = 0;
    int n = 0;
    while (p < end && HexDigit(*p) >= 0 && n < 8)
      v = v * 16 + static_cast<std::uint32_t>(HexDigit(*p++)), ++n;
    while (p < end && IsSpace(*p)) ++p;
    if (n == 0 || p != end) return Fail("bad dword");
    value.type = kRegDword;
    for (int i = 0; i < 4; ++i) data_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  } else {
    return Fail("unknown value type");
  }
  if (data_.size() >= kTakeBufferSize && data_.capacity() - data_.size() <= data_.size() / 8) {
    // A huge value keeps the buffer it was read into: a copy would hold it
    // twice for a moment.
    value.data.adopt(std::move(data_));
    data_ = {};
  } else if (data_.size() >= kTakeBufferSize) {
    value.data.assign(data_.data(), data_.size());  // a block of its own, freed with the value
  } else {
    value.data.assign(*arena_, data_.data(), data_.size());
  }
  pending_.push_back(std::move(value));  // a repeated name is settled at the end of the block
  return true;
}

bool Parser::Run(bool first, WineHiveFile* out) {
  auto root = std::make_unique<RegNode>();
  root->Extra().arena = std::make_unique<ByteArena>();
  arena_ = root->extra->arena.get();
  bool ok = [&] {
    if (first) {
      if (!NextLine()) return Fail("empty file");
      std::string_view line(text_.data() + line_start_, line_end_ - line_start_);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line != "WINE REGISTRY Version 2")
        return Fail("not a Wine registry file (\"WINE REGISTRY Version 2\" expected)");
    }
    std::size_t header_end = end_;
    RegNode* current = nullptr;
    std::size_t block_end = 0;
    while (NextLine()) {
      const char* p = text_.data() + line_start_;
      const char* end = text_.data() + line_end_;
      while (p < end && IsSpace(*p)) ++p;
      if (p == end || *p == ';') continue;
      if (*p == '[' && p == text_.data() + line_start_) {
        if (current) EndBlock(current, block_end);
        if (!current) header_end = line_start_;
        if (!ParseKeyLine(root.get())) return false;
        current = nodes_.empty() ? root.get() : nodes_.back();
      } else if (!current) {
        continue;  // header lines ("#arch=...") are kept verbatim
      } else if (*p == '#') {
        if (!ParseOption(current)) return false;
      } else if (*p == '"' || *p == '@') {
        if (!ParseValue()) return false;
      } else {
        return Fail("unexpected text");
      }
      block_end = std::min(line_end_ + 1, end_);
    }
    if (current) EndBlock(current, block_end);
    if (first) out->header = text_.substr(0, header_end);
    return true;
  }();
  if (!ok) return false;
  out->root = std::move(root);
  return true;
}

}  // namespace wine_parse

bool ParseWineRegistry(std::string text, std::string_view label, WineHiveFile* out, std::string* error) {
  WineHiveFile hive;
  hive.text = std::move(text);
  wine_parse::Parser parser(hive.text, label, 0, hive.text.size());
  if (!parser.Run(true, &hive)) {
    if (error) *error = parser.Error(0);
    return false;
  }
  *out = std::move(hive);
  return true;
}

}  // namespace platform
