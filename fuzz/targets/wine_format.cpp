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

bool SameNode(const RegNode& a, const RegNode& b) {
  if (std::u16string_view(a.name) != std::u16string_view(b.name)) return false;
  if (a.Has(RegNode::kLink) != b.Has(RegNode::kLink) || a.modified != b.modified) return false;
  if (a.subkeys.size() != b.subkeys.size() || a.values.size() != b.values.size()) return false;
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    const auto& x = a.values[i];
    const auto& y = b.values[i];
    if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
  }
  const bool a_class = a.extra && a.extra->has_class;
  const bool b_class = b.extra && b.extra->has_class;
  if (a_class != b_class || (a_class && a.extra->key_class != b.extra->key_class)) return false;
  const std::vector<std::string> none;
  if ((a.extra ? a.extra->options : none) != (b.extra ? b.extra->options : none)) return false;
  return true;
}

// Compares two trees key by key without recursion (files may nest deeply).
bool SameTree(const RegNode& a, const RegNode& b) {
  std::vector<std::pair<const RegNode*, const RegNode*>> pending{{&a, &b}};
  while (!pending.empty()) {
    auto [x, y] = pending.back();
    pending.pop_back();
    if (!SameNode(*x, *y)) return false;
    for (std::size_t i = 0; i < x->subkeys.size(); ++i)
      pending.emplace_back(x->subkeys[i].get(), y->subkeys[i].get());
  }
  return true;
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
  FUZZ_CHECK(SameTree(*hive.root, *again.root), "the tree written back with copied blocks reads the same");

  MarkAllChanged(hive.root.get());
  const std::string rewritten = platform::FormatWineRegistry(hive, nullptr, nullptr);
  platform::WineHiveFile third;
  FUZZ_CHECK(platform::ParseWineRegistry(rewritten, "rewritten", &third, &error), error.c_str());
  FUZZ_CHECK(SameTree(*hive.root, *third.root), "the tree written anew reads the same");
  return 0;
}
