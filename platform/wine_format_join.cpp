// Joining the trees of two parts of one registry file (see wine_format.h):
// the second part's keys are laid over the first's as the parser would have
// laid them had it read on.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/wine_format.h"

namespace platform {
namespace {

using Pair = std::pair<RegNode*, RegNode*>;

// Calls `both(a, b)` for each subkey of `into` that `from` has too (names
// equal without case); subkey lists are in order, so one pass finds them all.
template <typename Both>
void ForCommonSubkeys(const RegNode* into, const RegNode* from, Both both) {
  const auto& a = into->subkeys;
  const auto& b = from->subkeys;
  if (a.empty() || b.empty() || CompareKeyNames(a.back()->name, b.front()->name) < 0) return;
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
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
  if (to.empty() || CompareKeyNames(to.back()->name, from.front()->name) < 0) {
    // The usual case: the cut went between two runs of subkeys.
    if (to.empty()) {
      to = std::move(from);
    } else {
      to.reserve(to.size() + from.size());
      for (auto& child : from) to.push_back(std::move(child));
    }
    from.clear();
    return;
  }
  std::vector<std::unique_ptr<RegNode>> merged;
  merged.reserve(to.size() + from.size());
  std::size_t i = 0, j = 0;
  while (i < to.size() || j < from.size()) {
    const int c = i == to.size() ? 1 : j == from.size() ? -1 : CompareKeyNames(to[i]->name, from[j]->name);
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
  to = std::move(merged);
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
