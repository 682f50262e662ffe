// Reading a registry file in two parts (see WineSplitParse in wine_format.h):
// where to cut, and joining the trees, the second part's keys laid over the
// first's as the parser would have laid them had it read on.
#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/wine_format.h"
#include "platform/wine_format_parser.h"

namespace platform {

namespace {

bool IsBlankLine(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

// The start of the first key line at or after `wanted` that follows a blank
// line, or the text's size. After a blank line the parser is always between
// blocks: a hex value continued onto the blank line ends there.
std::size_t FindCut(const std::string& text, std::size_t wanted) {
  std::size_t from = text.find('\n');  // the first line stays in the first part
  if (from == std::string::npos || wanted >= text.size()) return text.size();
  from = std::max(from, wanted);
  while (true) {
    const std::size_t pos = text.find("\n[", from);
    if (pos == std::string::npos) return text.size();
    const std::size_t prev = pos == 0 ? std::string::npos : text.rfind('\n', pos - 1);
    if (prev != std::string::npos && IsBlankLine(std::string_view(text).substr(prev + 1, pos - prev - 1)))
      return pos + 1;
    from = pos + 1;
  }
}

}  // namespace

struct WineSplitParse::Part {
  Part(const std::string& text, std::string_view label, std::size_t begin, std::size_t end)
      : parser(text, label, begin, end) {}
  wine_parse::Parser parser;
  WineHiveFile result;
  bool ran = false;
  bool ok = false;
  std::exception_ptr failure;
};

WineSplitParse::WineSplitParse(std::string text, std::string_view label, std::size_t first_size)
    : text_(std::move(text)), label_(label), cut_(FindCut(text_, first_size)) {
  parts_[0] = std::make_unique<Part>(text_, label_, 0, cut_);
  if (cut_ < text_.size()) parts_[1] = std::make_unique<Part>(text_, label_, cut_, text_.size());
}

WineSplitParse::~WineSplitParse() = default;

void WineSplitParse::ParseFirst() {
  Part& part = *parts_[0];
  if (part.ran) return;
  part.ran = true;
  try {
    part.ok = part.parser.Run(true, &part.result);
  } catch (...) {
    part.failure = std::current_exception();
  }
}

void WineSplitParse::ParseSecond() {
  if (!parts_[1] || parts_[1]->ran) return;
  Part& part = *parts_[1];
  part.ran = true;
  try {
    part.ok = part.parser.Run(false, &part.result);
  } catch (...) {
    part.failure = std::current_exception();
  }
}

bool WineSplitParse::Finish(WineHiveFile* out, std::string* error) {
  ParseFirst();
  ParseSecond();
  // The first part's lines come first: its fault is the one a reader of the
  // whole file meets first.
  Part& first = *parts_[0];
  if (first.failure) std::rethrow_exception(first.failure);
  if (!first.ok) {
    if (error) *error = first.parser.Error(0);
    return false;
  }
  if (parts_[1]) {
    Part& second = *parts_[1];
    if (second.failure) std::rethrow_exception(second.failure);
    if (!second.ok) {
      const std::string_view before = std::string_view(text_).substr(0, cut_);
      const auto lines = static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
      if (error) *error = second.parser.Error(lines);
      return false;
    }
    if (!JoinWineTrees(first.result.root.get(), second.result.root)) {
      parts_[0].reset();
      parts_[1].reset();
      return ParseWineRegistry(std::move(text_), label_, out, error);
    }
  }
  WineHiveFile hive;
  hive.header = std::move(first.result.header);
  hive.root = std::move(first.result.root);
  hive.text = std::move(text_);
  *out = std::move(hive);
  return true;
}

namespace {

using Pair = std::pair<RegNode*, RegNode*>;

using Subkeys = std::vector<std::unique_ptr<RegNode>>;

// The stretch of two ordered subkey lists where they overlap: a[0, *first_a)
// comes before all of b, b[*end_b, ...) after all of a. Found by bisection,
// as the lists of a big key (Classes) hold hundreds of thousands of keys and
// overlap in a handful, around the cut.
void Overlap(const Subkeys& a, const Subkeys& b, std::size_t* first_a, std::size_t* end_b) {
  auto before = [](const std::unique_ptr<RegNode>& x, const std::unique_ptr<RegNode>& y) {
    return CompareKeyNames(x->name, y->name) < 0;
  };
  *first_a = static_cast<std::size_t>(std::lower_bound(a.begin(), a.end(), b.front(), before) - a.begin());
  *end_b = static_cast<std::size_t>(std::upper_bound(b.begin(), b.end(), a.back(), before) - b.begin());
}

// Calls `both(a, b)` for each subkey of `into` that `from` has too (names
// equal without case).
template <typename Both>
void ForCommonSubkeys(const RegNode* into, const RegNode* from, Both both) {
  const auto& a = into->subkeys;
  const auto& b = from->subkeys;
  if (a.empty() || b.empty()) return;
  std::size_t i = 0, end_b = 0;
  Overlap(a, b, &i, &end_b);
  std::size_t j = 0;
  while (i < a.size() && j < end_b) {
    const int c = CompareKeyNames(a[i]->name, b[j]->name);
    if (c == 0)
      both(a[i++].get(), b[j++].get());
    else if (c < 0)
      ++i;
    else
      ++j;
  }
}

// Whether a key both trees hold is spelled otherwise in `from`.
bool SpelledOtherwise(RegNode* into, RegNode* from) {
  std::vector<Pair> pending{{into, from}};
  while (!pending.empty()) {
    auto [a, b] = pending.back();
    pending.pop_back();
    bool differs = false;
    ForCommonSubkeys(a, b, [&](RegNode* x, RegNode* y) {
      if (std::u16string_view(x->name) != std::u16string_view(y->name)) differs = true;
      pending.emplace_back(x, y);
    });
    if (differs) return true;
  }
  return false;
}

// What the second part's lines did to a key the first part made.
void JoinKey(RegNode* a, RegNode* b) {
  if (b->Has(RegNode::kHadBlock)) {
    if (a->Has(RegNode::kHadBlock)) a->flags |= RegNode::kChanged;  // a second block: rewrite it
    a->raw_offset = b->raw_offset;
    a->raw_length = b->raw_length;
  }
  if (b->Has(RegNode::kTimeRead)) a->modified = b->modified;
  a->flags |= b->flags;
  if (a->values.empty()) {
    a->values = std::move(b->values);
  } else {
    // A later value of a name replaces the earlier one in its place.
    for (auto& v : b->values) {
      if (RegTreeValue* old = a->FindValue(v.name)) {
        *old = std::move(v);
      } else {
        a->values.push_back(std::move(v));
      }
    }
  }
  b->values.clear();
  if (b->extra) {
    RegNodeExtra& from = *b->extra;
    if (from.arena) {
      RegNodeExtra& to = a->Extra();
      if (to.arena) {
        to.arena->Absorb(*from.arena);
      } else {
        to.arena = std::move(from.arena);
      }
    }
    if (from.has_class) {
      a->Extra().has_class = true;
      a->Extra().key_class = std::move(from.key_class);
    }
    if (!from.options.empty()) {
      auto& options = a->Extra().options;
      for (auto& option : from.options) options.push_back(std::move(option));
    }
  }
}

// Moves the subkeys of `b` under `a`: those `a` lacks as they are, the
// others onto `common` to be joined key by key.
void JoinSubkeys(RegNode* a, RegNode* b, std::vector<Pair>* common) {
  auto& to = a->subkeys;
  auto& from = b->subkeys;
  if (from.empty()) return;
  for (auto& child : from) child->parent = a;
  if (to.empty()) {
    to = std::move(from);
    from.clear();
    return;
  }
  // Only the overlap is merged; what comes before it stays where it is and
  // what comes after is appended.
  std::size_t first_a = 0, end_b = 0;
  Overlap(to, from, &first_a, &end_b);
  Subkeys merged;
  merged.reserve(to.size() - first_a + end_b);
  std::size_t i = first_a, j = 0;
  while (i < to.size() || j < end_b) {
    const int c = i == to.size() ? 1 : j == end_b ? -1 : CompareKeyNames(to[i]->name, from[j]->name);
    if (c == 0) {
      common->emplace_back(to[i].get(), from[j].get());
      merged.push_back(std::move(to[i++]));
      ++j;  // emptied by the join, freed with `b`
    } else if (c < 0) {
      merged.push_back(std::move(to[i++]));
    } else {
      merged.push_back(std::move(from[j++]));
    }
  }
  to.resize(first_a);
  to.reserve(first_a + merged.size() + (from.size() - end_b));
  for (auto& child : merged) to.push_back(std::move(child));
  for (std::size_t k = end_b; k < from.size(); ++k) to.push_back(std::move(from[k]));
  // What is left in `from` are the keys being joined into `to`: they give
  // their subkeys away in turn and are freed with the rest of their tree.
  std::erase(from, nullptr);
}

}  // namespace

bool JoinWineTrees(RegNode* into, std::unique_ptr<RegNode>& from) {
  if (SpelledOtherwise(into, from.get())) return false;
  // Keys of `from` that are joined stay in their parents' lists, emptied,
  // until the whole of `from` is dropped at the end.
  std::vector<Pair> pending{{into, from.get()}};
  while (!pending.empty()) {
    auto [a, b] = pending.back();
    pending.pop_back();
    JoinKey(a, b);
    JoinSubkeys(a, b, &pending);
  }
  // Only joined keys are left; each has given away its subkeys already, so
  // the destructor finds nothing but them.
  from.reset();
  return true;
}

}  // namespace platform
