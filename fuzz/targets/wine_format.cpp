// Wine registry files: whatever is read, written back (blocks copied as they
// were, then every block written anew) and read again gives the same tree.
#include "platform/wine_format.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"

namespace {

using platform::RegNode;

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? std::string(1, static_cast<char>(c)) : "\\x" + std::to_string(c);
  return out;
}

// What differs between two keys, empty when nothing does.
std::string Difference(const RegNode& a, const RegNode& b) {
  if (std::u16string_view(a.name) != std::u16string_view(b.name)) return "name";
  if (a.Has(RegNode::kLink) != b.Has(RegNode::kLink)) return "link";
  if (a.modified != b.modified)
    return "modified " + std::to_string(a.modified) + " " + std::to_string(b.modified);
  if (a.subkeys.size() != b.subkeys.size()) return "subkey count";
  if (a.values.size() != b.values.size()) return "value count";
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    const auto& x = a.values[i];
    const auto& y = b.values[i];
    if (x.name != y.name || x.type != y.type || x.data != y.data) return "value " + Utf8(x.name);
  }
  const bool a_class = a.extra && a.extra->has_class;
  const bool b_class = b.extra && b.extra->has_class;
  if (a_class != b_class || (a_class && a.extra->key_class != b.extra->key_class)) return "class";
  const std::vector<std::string> none;
  if ((a.extra ? a.extra->options : none) != (b.extra ? b.extra->options : none)) return "options";
  return {};
}

// Compares two trees key by key without recursion (files may nest deeply);
// answers what differs first and where, empty when nothing does.
std::string TreeDifference(const RegNode& a, const RegNode& b) {
  std::vector<std::pair<const RegNode*, const RegNode*>> pending{{&a, &b}};
  while (!pending.empty()) {
    auto [x, y] = pending.back();
    pending.pop_back();
    if (std::string what = Difference(*x, *y); !what.empty()) {
      std::u16string path;
      for (const RegNode* n = x; n && n->parent; n = n->parent) path = u"\\" + std::u16string(n->name) + path;
      return what + " of key " + Utf8(path);
    }
    for (std::size_t i = 0; i < x->subkeys.size(); ++i)
      pending.emplace_back(x->subkeys[i].get(), y->subkeys[i].get());
  }
  return {};
}

void MarkAllChanged(RegNode* top) {
  std::vector<RegNode*> pending{top};
  while (!pending.empty()) {
    RegNode* node = pending.back();
    pending.pop_back();
    node->flags |= RegNode::kChanged;
    for (auto& child : node->subkeys) pending.push_back(child.get());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::WineHiveFile hive;
  std::string error;
  if (!platform::ParseWineRegistry(std::string(reinterpret_cast<const char*>(data), size), "system.reg",
                                   &hive, &error)) {
    FUZZ_CHECK(error.starts_with("system.reg line "), "an error names the file and the line");
    return 0;
  }
  const std::string copied = platform::FormatWineRegistry(hive, nullptr, nullptr);
  platform::WineHiveFile again;
  FUZZ_CHECK(platform::ParseWineRegistry(copied, "copied", &again, &error), error.c_str());
  std::string difference = TreeDifference(*hive.root, *again.root);
  FUZZ_CHECK(difference.empty(),
             ("the tree written back with copied blocks reads the same: " + difference).c_str());

  MarkAllChanged(hive.root.get());
  const std::string rewritten = platform::FormatWineRegistry(hive, nullptr, nullptr);
  platform::WineHiveFile third;
  FUZZ_CHECK(platform::ParseWineRegistry(rewritten, "rewritten", &third, &error), error.c_str());
  difference = TreeDifference(*hive.root, *third.root);
  FUZZ_CHECK(difference.empty(), ("the tree written anew reads the same: " + difference).c_str());
  return 0;
}
