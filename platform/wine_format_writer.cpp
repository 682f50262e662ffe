// Writing a key tree back in Wine's registry file format (see wine_format.h).
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/wine_format.h"

namespace platform {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000ULL;
constexpr std::uint64_t kEpochDiff = 116444736000000000ULL;  // 1601 to 1970 in 100 ns units

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// The text is written into one big buffer: huge pages save tens of thousands
// of page faults in filling it. Best effort.
void AdviseHugePages(char* data, std::size_t size) {
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (size < 2 * kHuge) return;
  const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHuge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

std::size_t AppendEscapedCount(std::string& out, std::u16string_view s, char q1, char q2,
                               bool drop_final_nul) {
  static const char kEscapes[33] = ".......abtnvfr.............e....";
  std::size_t start = out.size();
  char buf[16];
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    bool more = i + 1 < s.size();
    if (c > 127) {
      bool hex_next = more && IsHexDigit(s[i + 1]);
      std::snprintf(buf, sizeof buf, hex_next ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
      out += buf;
    } else if (c < 32) {
      if (c == 0 && !more && drop_final_nul) continue;
      if (kEscapes[c] != '.') {
        out.push_back('\\');
        out.push_back(kEscapes[c]);
      } else {
        bool octal_next = more && s[i + 1] >= u'0' && s[i + 1] <= u'7';
        std::snprintf(buf, sizeof buf, octal_next ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
        out += buf;
      }
    } else {
      if (c == u'\\' || c == static_cast<char16_t>(q1) || c == static_cast<char16_t>(q2)) out.push_back('\\');
      out.push_back(static_cast<char>(c));
    }
  }
  return out.size() - start;
}

std::u16string Units(const ValueBytes& data) {
  std::u16string s(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  return s;
}

void AppendValue(std::string& out, const RegTreeValue& v) {
  std::size_t count;
  if (!v.name.empty()) {
    out.push_back('"');
    count = 1 + AppendEscapedCount(out, v.name, '"', '"', false);
    out += "\"=";
    count += 2;
  } else {
    out += "@=";
    count = 2;
  }
  char buf[32];
  std::size_t len = v.data.size();
  if ((v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz) && len >= 2 && len % 2 == 0 &&
      v.data[len - 1] == 0 && v.data[len - 2] == 0) {
    if (v.type != kRegSz) {
      std::snprintf(buf, sizeof buf, "str(%x):", static_cast<unsigned>(v.type));
      out += buf;
    }
    out.push_back('"');
    AppendEscapedCount(out, Units(v.data), '"', '"', true);
    out += "\"\n";
    return;
  }
  if (v.type == kRegDword && len == 4) {
    std::uint32_t d =
        v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (static_cast<std::uint32_t>(v.data[3]) << 24);
    std::snprintf(buf, sizeof buf, "dword:%08x\n", static_cast<unsigned>(d));
    out += buf;
    return;
  }
  if (v.type == kRegBinary) {
    out += "hex:";
    count += 4;
  } else {
    int n = std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
    out += buf;
    count += static_cast<std::size_t>(n);
  }
  static const char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < len; ++i) {
    out.push_back(kHex[v.data[i] >> 4]);
    out.push_back(kHex[v.data[i] & 15]);
    count += 2;
    if (i < len - 1) {
      out.push_back(',');
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  out.push_back('\n');
}

class Writer {
 public:
  Writer(const WineHiveFile& hive, RegNode* root, std::vector<WineBlockSpan>* spans)
      : hive_(hive), root_(root), spans_(spans) {}

  std::string Run() {
    // Room for what was read and what may have been added since: pages not
    // written to cost nothing, but growing a 100 MB text copies it whole.
    const std::size_t room = hive_.text.size() + hive_.text.size() / 4 + (std::size_t{1} << 20);
    out_.reserve(room);
    AdviseHugePages(out_.data(), out_.capacity());
    out_ = hive_.header;
    if (root_) Walk(root_);
    return std::move(out_);
  }

 private:
  // Depth first, in order, with a stack of its own: keys may nest a million deep.
  void Walk(RegNode* top) {
    struct Frame {
      RegNode* node;
      std::size_t path_size;  // the path's length before this key's name
      std::size_t next;       // the subkey to visit next
    };
    std::vector<Frame> stack;
    auto enter = [&](RegNode* node) {
      std::size_t path_size = path_.size();
      if (node != root_) {
        if (!path_.empty()) path_ += "\\\\";
        AppendEscapedCount(path_, node->name, '[', ']', false);
      }
      if (node->Has(RegNode::kVolatile)) {
        path_.resize(path_size);
        return;
      }
      bool unchanged_block = node->Has(RegNode::kHadBlock) && !node->Has(RegNode::kChanged);
      bool root_without_data = node == root_ && node->values.empty() && !node->Has(RegNode::kHadBlock);
      bool wanted = !node->values.empty() || node->subkeys.empty() || node->Has(RegNode::kLink) ||
                    (node->extra && (node->extra->has_class || !node->extra->options.empty())) ||
                    unchanged_block;
      if (wanted && !root_without_data) Block(node, unchanged_block);
      stack.push_back({node, path_size, 0});
    };
    enter(top);
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next < frame.node->subkeys.size()) {
        enter(frame.node->subkeys[frame.next++].get());
      } else {
        path_.resize(frame.path_size);
        stack.pop_back();
      }
    }
  }

  void Separate() {
    // One case per state of the text so far, even where two add the same.
    if (!first_) {  // NOLINT(bugprone-branch-clone)
      out_.push_back('\n');
    } else if (out_.ends_with("\n\n")) {
    } else if (out_.ends_with("\n")) {
      out_.push_back('\n');
    } else if (!out_.empty()) {
      out_ += "\n\n";
    }
    first_ = false;
  }

  void Block(RegNode* node, bool unchanged) {
    Separate();
    std::size_t start = out_.size();
    if (unchanged && node->raw_offset + node->raw_length <= hive_.text.size() && node->raw_length > 0) {
      out_.append(hive_.text, node->raw_offset, node->raw_length);
      if (out_.back() != '\n') out_.push_back('\n');
    } else {
      char buf[64];
      std::uint64_t t = node->modified;
      out_.push_back('[');
      out_ += path_;
      std::snprintf(buf, sizeof buf, "] %u\n#time=%x%08x\n",
                    static_cast<unsigned>(t >= kEpochDiff ? (t - kEpochDiff) / kTicksPerSecond : 0),
                    static_cast<unsigned>(t >> 32), static_cast<unsigned>(t & 0xFFFFFFFFu));
      out_ += buf;
      if (node->extra && node->extra->has_class) {
        out_ += "#class=\"";
        AppendEscapedCount(out_, node->extra->key_class, '"', '"', false);
        out_ += "\"\n";
      }
      if (node->Has(RegNode::kLink)) out_ += "#link\n";
      if (node->extra) {
        for (const auto& option : node->extra->options) out_ += option + "\n";
      }
      for (const auto& v : node->values) AppendValue(out_, v);
    }
    if (spans_) spans_->push_back({node, start, static_cast<std::uint32_t>(out_.size() - start)});
  }

  const WineHiveFile& hive_;
  RegNode* root_;
  std::vector<WineBlockSpan>* spans_;
  std::string out_;
  std::string path_;
  bool first_ = true;
};

void ClearChanged(RegNode* top) {
  std::vector<RegNode*> pending{top};
  while (!pending.empty()) {
    RegNode* node = pending.back();
    pending.pop_back();
    node->flags &= static_cast<std::uint8_t>(~(RegNode::kChanged | RegNode::kHadBlock));
    for (auto& child : node->subkeys) pending.push_back(child.get());
  }
}

}  // namespace

std::string FormatWineRegistry(const WineHiveFile& hive, RegNode* root, std::vector<WineBlockSpan>* spans) {
  return Writer(hive, root ? root : hive.root.get(), spans).Run();
}

void CommitWineText(WineHiveFile* hive, RegNode* root, std::string text,
                    const std::vector<WineBlockSpan>& spans) {
  if (!root) root = hive->root.get();
  if (root) ClearChanged(root);
  for (const auto& span : spans) {
    span.node->flags |= RegNode::kHadBlock;
    span.node->raw_offset = span.offset;
    span.node->raw_length = span.length;
  }
  hive->text = std::move(text);
}

std::string WineHeader(std::string_view base, std::string_view arch_line) {
  std::string out = "WINE REGISTRY Version 2\n;; All keys relative to ";
  out += base;
  out += "\n";
  if (!arch_line.empty()) {
    out += "\n";
    out += arch_line;
    out += "\n";
  }
  return out;
}

void AppendWineEscaped(std::string& out, std::u16string_view text, char quote, char quote2) {
  AppendEscapedCount(out, text, quote, quote2, false);
}

}  // namespace platform
