// Comparing two key trees read from Wine registry files, for the fuzz target
// and the tests: what differs first and where, empty when nothing does.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/reg_tree.h"

namespace wine_tree {

// Marks every key below `top` changed, so that a writer writes each anew
// instead of copying its block as it was read.
inline void MarkAllChanged(platform::RegNode* top) {
  std::vector<platform::RegNode*> pending{top};
  while (!pending.empty()) {
    platform::RegNode* node = pending.back();
    pending.pop_back();
    node->flags |= platform::RegNode::kChanged;
    for (auto& child : node->subkeys) pending.push_back(child.get());
  }
}

inline std::string Printable(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? std::string(1, static_cast<char>(c)) : "\\x" + std::to_string(c);
  return out;
}

// `exact`: also the flags and where each block stood in the text, which
// only agree between two reads of the same text.
inline std::string KeyDifference(const platform::RegNode& a, const platform::RegNode& b, bool exact) {
  using platform::RegNode;
  if (std::u16string_view(a.name) != std::u16string_view(b.name)) return "name";
  if (a.Has(RegNode::kLink) != b.Has(RegNode::kLink)) return "link";
  // Like wineserver, the writer gives a key that holds no values but has
  // subkeys no block of its own once it is written anew, and so no time:
  // only a read of the same text must agree on such a key's time.
  const bool has_own_block = !a.values.empty() || a.subkeys.empty() || a.Has(RegNode::kLink) ||
                             (a.extra && (a.extra->has_class || !a.extra->options.empty()));
  if (a.modified != b.modified && (exact || has_own_block))
    return "modified " + std::to_string(a.modified) + " " + std::to_string(b.modified);
  if (exact) {
    if (a.flags != b.flags) return "flags " + std::to_string(a.flags) + " " + std::to_string(b.flags);
    if (a.raw_offset != b.raw_offset || a.raw_length != b.raw_length)
      return "block " + std::to_string(a.raw_offset) + "+" + std::to_string(a.raw_length) + " " +
             std::to_string(b.raw_offset) + "+" + std::to_string(b.raw_length);
  }
  if (a.subkeys.size() != b.subkeys.size()) return "subkey count";
  if (a.values.size() != b.values.size()) return "value count";
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    const auto& x = a.values[i];
    const auto& y = b.values[i];
    if (x.name.view() != y.name.view() || x.type != y.type || x.data != y.data)
      return "value " + Printable(x.name);
  }
  const bool a_class = a.extra && a.extra->has_class;
  const bool b_class = b.extra && b.extra->has_class;
  if (a_class != b_class || (a_class && a.extra->key_class != b.extra->key_class)) return "class";
  const std::vector<std::string> none;
  if ((a.extra ? a.extra->options : none) != (b.extra ? b.extra->options : none)) return "options";
  for (const auto& child : a.subkeys) {
    if (child->parent != &a) return "parent of subkey " + Printable(child->name);
  }
  return {};
}

// Key by key without recursion (files may nest deeply).
inline std::string TreeDifference(const platform::RegNode& a, const platform::RegNode& b, bool exact) {
  std::vector<std::pair<const platform::RegNode*, const platform::RegNode*>> pending{{&a, &b}};
  while (!pending.empty()) {
    auto [x, y] = pending.back();
    pending.pop_back();
    if (std::string what = KeyDifference(*x, *y, exact); !what.empty()) {
      std::u16string path;
      for (const platform::RegNode* n = x; n && n->parent; n = n->parent)
        path = u"\\" + std::u16string(n->name) + path;
      return what + " of key " + Printable(path);
    }
    for (std::size_t i = 0; i < x->subkeys.size(); ++i)
      pending.emplace_back(x->subkeys[i].get(), y->subkeys[i].get());
  }
  return {};
}

}  // namespace wine_tree
