#include "platform/memory_registry.h"

#include "platform/text.h"

namespace platform {
namespace {

constexpr int kMaxLinkDepth = 16;

bool IsRootKey(RegKey key) { return key == kClassesRoot || key == kCurrentUser || key == kLocalMachine; }

// Splits a path at backslashes; empty components (doubled or outer
// backslashes) are skipped.
template <typename Fn>
std::int32_t ForEachComponent(std::u16string_view path, Fn fn) {
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find(u'\\', pos);
    if (end == std::u16string_view::npos) end = path.size();
    std::u16string_view part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    bool last = path.find_first_not_of(u'\\', pos) == std::u16string_view::npos || pos > path.size();
    std::int32_t status = fn(part, last);
    if (status != kRegOk) return status;
  }
  return kRegOk;
}

const RegNode* TopOf(const RegNode* node) {
  while (node->parent) node = node->parent;
  return node;
}

bool IsEmptyPath(std::u16string_view path) {
  return path.find_first_not_of(u'\\') == std::u16string_view::npos;
}

RegValue ToRegValue(const RegTreeValue& v) {
  RegValue out;
  out.type = v.type;
  out.data = v.data;
  return out;
}

// Takes "prefix\rest" apart if `text` starts with `prefix` (without case).
bool ConsumePrefix(std::u16string_view& text, std::u16string_view prefix) {
  if (text.size() < prefix.size() || !EqualsNoCase(text.substr(0, prefix.size()), prefix)) return false;
  if (text.size() > prefix.size() && text[prefix.size()] != u'\\') return false;
  text.remove_prefix(prefix.size());
  return true;
}

}  // namespace

MemoryRegistry::MemoryRegistry() {
  for (auto& root : roots_) root = std::make_unique<RegNode>();
}

MemoryRegistry::~MemoryRegistry() = default;

bool MemoryRegistry::IsRoot(const RegNode* node) const {
  return node == roots_[0].get() || node == roots_[1].get();
}

RegKey MemoryRegistry::NewHandle(RegNode* node, RegNode* via_link) {
  RegKey key = next_handle_++;
  while (IsRootKey(key) || handles_.count(key)) key = next_handle_++;
  handles_[key] = Handle{node, via_link, node ? TopOf(node) : nullptr};
  return key;
}

void MemoryRegistry::Touch(RegNode* node) { Touch(node, TopOf(node)); }

void MemoryRegistry::Touch(RegNode* node, const RegNode* top) {
  classes_root_ = nullptr;
  node->modified = CurrentFileTime();
  node->flags |= RegNode::kChanged;
  if (top == roots_[0].get()) OnModified(Hive::kMachine);
  if (top == roots_[1].get()) OnModified(Hive::kUser);
}

void MemoryRegistry::DropHandlesUnder(const RegNode* node) {
  for (auto& [key, h] : handles_) {
    if (h.node && h.node->IsUnder(node)) h.node = nullptr;
    if (h.via_link && h.via_link->IsUnder(node)) h.via_link = nullptr;
  }
}

void MemoryRegistry::ReplaceHive(Hive hive, std::unique_ptr<RegNode> root) {
  DropHandlesUnder(roots_[static_cast<int>(hive)].get());
  classes_root_ = nullptr;
  roots_[static_cast<int>(hive)] = std::move(root);
}

std::int32_t MemoryRegistry::FollowLink(RegNode* link, bool create, RegNode** out, int depth) {
  if (depth > kMaxLinkDepth) return kRegNotFound;
  std::u16string target = link->LinkTarget();
  std::u16string_view rest = target;
  RegNode* start = nullptr;
  if (!ConsumePrefix(rest, u"\\Registry")) return kRegNotFound;
  if (ConsumePrefix(rest, u"\\Machine")) {
    NeedHive(Hive::kMachine);
    start = roots_[0].get();
  } else if (ConsumePrefix(rest, u"\\User")) {
    // Only the current user's tree is here: take any user's name for it.
    std::size_t sid_end = rest.find(u'\\', 1);
    if (rest.size() < 2) return kRegNotFound;
    rest = sid_end == std::u16string_view::npos ? std::u16string_view() : rest.substr(sid_end);
    NeedHive(Hive::kUser);
    start = roots_[1].get();
  } else {
    return kRegNotFound;
  }
  return Walk(start, rest, create, true, out, nullptr, depth);
}

std::int32_t MemoryRegistry::Walk(RegNode* start, std::u16string_view path, bool create, bool follow_last,
                                  RegNode** out, RegNode** via_link, int depth) {
  RegNode* node = start;
  if (via_link) *via_link = nullptr;
  // The tree's top, looked up once: a path may create thousands of levels.
  const RegNode* top = nullptr;
  std::int32_t status = ForEachComponent(path, [&](std::u16string_view part, bool last) -> std::int32_t {
    RegNode* child = node->FindSubkey(part);
    if (!child) {
      if (!create) return kRegNotFound;
      std::int32_t writable = CheckWritable();
      if (writable != kRegOk) return writable;
      if (!top) {
        top = node;
        while (top->parent) top = top->parent;
      }
      child = node->AddSubkey(part);
      Touch(node, top);
      Touch(child, top);
    }
    if (child->Has(RegNode::kLink) && (!last || follow_last)) {
      RegNode* target = nullptr;
      std::int32_t followed = FollowLink(child, false, &target, depth + 1);
      if (followed != kRegOk) return followed;
      if (last && via_link) *via_link = child;
      child = target;
      top = nullptr;  // a link may lead into the other tree
    }
    node = child;
    return kRegOk;
  });
  if (status != kRegOk) return status;
  *out = node;
  return kRegOk;
}

RegNode* MemoryRegistry::ClassesRoot(bool create) {
  if (classes_root_) return classes_root_;
  RegNode* node = nullptr;
  if (Walk(roots_[0].get(), u"Software\\Classes", create, true, &node, nullptr, 0) != kRegOk) return nullptr;
  // Walk may have created keys (and so cleared the cache): remember the result only now.
  classes_root_ = node;
  return node;
}

std::int32_t MemoryRegistry::Resolve(RegKey key, RegNode** node, RegNode** via_link, const RegNode** top) {
  if (via_link) *via_link = nullptr;
  if (top) *top = nullptr;
  if (key == kLocalMachine) {
    NeedHive(Hive::kMachine);
    *node = roots_[0].get();
    if (top) *top = *node;
  } else if (key == kCurrentUser) {
    NeedHive(Hive::kUser);
    *node = roots_[1].get();
    if (top) *top = *node;
  } else if (key == kClassesRoot) {
    NeedHive(Hive::kMachine);
    *node = ClassesRoot(false);
  } else {
    auto it = handles_.find(key);
    if (it == handles_.end()) return kRegInvalidHandle;
    if (!it->second.node) return kRegNotFound;
    *node = it->second.node;
    if (via_link) *via_link = it->second.via_link;
    if (top) *top = it->second.top;
  }
  return kRegOk;
}

std::int32_t MemoryRegistry::OpenOrCreate(RegKey parent, std::u16string_view path, bool create, RegKey* out) {
  if (!out) return kRegInvalidParameter;
  if (IsRootKey(parent)) OnRootWalk();
  RegNode* node = nullptr;
  RegNode* via = nullptr;
  std::int32_t status = Resolve(parent, &node, &via);
  if (status != kRegOk) return status;
  if (IsEmptyPath(path)) {
    if (IsRootKey(parent)) {
      if (!node && create) {
        node = ClassesRoot(true);
        if (!node) return CheckWritable() != kRegOk ? CheckWritable() : kRegNotFound;
      }
      *out = parent;
      return kRegOk;
    }
    *out = NewHandle(node, via);
    return kRegOk;
  }
  if (!node) {
    if (!create) return kRegNotFound;
    status = CheckWritable();
    if (status != kRegOk) return status;
    node = ClassesRoot(true);
    if (!node) return kRegNotFound;
  }
  RegNode* target = nullptr;
  status = Walk(node, path, create, true, &target, &via, 0);
  if (status != kRegOk) return status;
  *out = NewHandle(target, via);
  return kRegOk;
}

std::int32_t MemoryRegistry::OpenKey(RegKey parent, std::u16string_view path, RegKey* out) {
  std::lock_guard lock(mu_);
  return OpenOrCreate(parent, path, false, out);
}

std::int32_t MemoryRegistry::CreateKey(RegKey parent, std::u16string_view path, RegKey* out) {
  std::lock_guard lock(mu_);
  return OpenOrCreate(parent, path, true, out);
}

void MemoryRegistry::CloseKey(RegKey key) {
  std::lock_guard lock(mu_);
  handles_.erase(key);
}

std::size_t MemoryRegistry::OpenHandleCount() const {
  std::lock_guard lock(mu_);
  return handles_.size();
}

std::int32_t MemoryRegistry::QueryInfo(RegKey key, std::uint32_t* subkeys, std::uint32_t* values) {
  std::lock_guard lock(mu_);
  RegNode* node = nullptr;
  std::int32_t status = Resolve(key, &node);
  if (status != kRegOk) return status;
  if (subkeys) *subkeys = node ? static_cast<std::uint32_t>(node->subkeys.size()) : 0;
  if (values) *values = node ? static_cast<std::uint32_t>(node->values.size()) : 0;
  return kRegOk;
}

std::int32_t MemoryRegistry::EnumKey(RegKey key, std::uint32_t index, std::u16string* name) {
  std::lock_guard lock(mu_);
  RegNode* node = nullptr;
  std::int32_t status = Resolve(key, &node);
  if (status != kRegOk) return status;
  if (!node || index >= node->subkeys.size()) return kRegNoMoreItems;
  node->hint = index;  // the caller most likely opens this subkey next
  if (name) *name = node->subkeys[index]->name;
  return kRegOk;
}

std::int32_t MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, std::u16string* name,
                                       RegValue* value) {
  std::lock_guard lock(mu_);
  RegNode* node = nullptr;
  std::int32_t status = Resolve(key, &node);
  if (status != kRegOk) return status;
  if (!node || index >= node->values.size()) return kRegNoMoreItems;
  const RegTreeValue& v = node->values[index];
  if (name) *name = v.name;
  if (value) *value = ToRegValue(v);
  return kRegOk;
}

std::int32_t MemoryRegistry::QueryValue(RegKey key, std::u16string_view name, RegValue* value) {
  std::lock_guard lock(mu_);
  RegNode* node = nullptr;
  std::int32_t status = Resolve(key, &node);
  if (status != kRegOk) return status;
  const RegTreeValue* v = node ? node->FindValue(name) : nullptr;
  if (!v) return kRegNotFound;
  if (value) *value = ToRegValue(*v);
  return kRegOk;
}

RegTreeValue* MemoryRegistry::FindValueInOrder(RegNode* node, std::u16string_view name) {
  RegValueList& values = node->values;
  std::size_t index = values.size();
  if (node == value_hint_node_ && value_hint_ < values.size() &&
      EqualsNoCase(values[value_hint_].name, name)) {
    index = value_hint_;
  } else if (RegTreeValue* v = node->FindValue(name)) {
    index = static_cast<std::size_t>(v - values.data());
  }
  value_hint_node_ = node;
  value_hint_ = index + 1;
  return index < values.size() ? &values[index] : nullptr;
}

std::int32_t MemoryRegistry::SetValue(RegKey key, std::u16string_view name, const RegValue& value) {
  std::lock_guard lock(mu_);
  std::int32_t status = CheckWritable();
  if (status != kRegOk) return status;
  RegNode* node = nullptr;
  const RegNode* top = nullptr;
  status = Resolve(key, &node, nullptr, &top);
  if (status != kRegOk) return status;
  if (!node) node = ClassesRoot(true);
  if (!node) return kRegNotFound;
  if (RegTreeValue* v = FindValueInOrder(node, name)) {
    // The same type and bytes again change nothing: the key stays as it was
    // read, and a file backend writes it back as it stood.
    if (v->type == value.type && v->data == value.data) return kRegOk;
    v->type = value.type;
    v->data = value.data;
  } else {
    node->values.push_back(RegTreeValue{std::u16string(name), value.type, value.data});
  }
  Touch(node, top ? top : TopOf(node));
  return kRegOk;
}

std::int32_t MemoryRegistry::DeleteValue(RegKey key, std::u16string_view name) {
  std::lock_guard lock(mu_);
  std::int32_t status = CheckWritable();
  if (status != kRegOk) return status;
  RegNode* node = nullptr;
  const RegNode* top = nullptr;
  status = Resolve(key, &node, nullptr, &top);
  if (status != kRegOk) return status;
  if (!node || !node->RemoveValue(name)) return kRegNotFound;
  Touch(node, top ? top : TopOf(node));
  return kRegOk;
}

std::int32_t MemoryRegistry::DeleteTree(RegKey key, std::u16string_view subpath) {
  std::lock_guard lock(mu_);
  std::int32_t status = CheckWritable();
  if (status != kRegOk) return status;
  RegNode* node = nullptr;
  RegNode* via = nullptr;
  status = Resolve(key, &node, &via);
  if (status != kRegOk) return status;
  RegNode* target = nullptr;
  if (IsEmptyPath(subpath)) {
    if (IsRootKey(key)) return kRegAccessDenied;
    // A handle opened through a link deletes the link, never what it points at.
    target = via ? via : node;
  } else {
    if (!node) return kRegNotFound;
    status = Walk(node, subpath, false, false, &target, nullptr, 0);
    if (status != kRegOk) return status;
  }
  RegNode* parent = target->parent;
  if (!parent || IsRoot(target)) return kRegAccessDenied;
  DropHandlesUnder(target);
  classes_root_ = nullptr;
  std::unique_ptr<RegNode> gone = parent->RemoveSubkey(target);
  Touch(parent);
  return kRegOk;
}

std::int32_t MemoryRegistry::CreateLink(RegKey parent, std::u16string_view path, std::u16string_view target) {
  std::lock_guard lock(mu_);
  std::int32_t status = CheckWritable();
  if (status != kRegOk) return status;
  std::size_t cut = path.find_last_not_of(u'\\');
  if (cut == std::u16string_view::npos) return kRegInvalidParameter;
  path = path.substr(0, cut + 1);
  std::size_t slash = path.rfind(u'\\');
  std::u16string_view leaf = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
  std::u16string_view dir =
      slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash);
  RegNode* node = nullptr;
  status = Resolve(parent, &node);
  if (status != kRegOk) return status;
  if (!node) node = ClassesRoot(true);
  if (!node) return kRegNotFound;
  RegNode* folder = nullptr;
  status = Walk(node, dir, true, true, &folder, nullptr, 0);
  if (status != kRegOk) return status;
  bool created = false;
  RegNode* link = folder->AddSubkey(leaf, &created);
  if (!created) return kRegInvalidParameter;
  link->flags |= RegNode::kLink;
  std::vector<std::uint8_t> bytes;
  for (char16_t c : target) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  link->values.push_back(RegTreeValue{std::u16string(kSymbolicLinkValue), kRegLink, bytes});
  Touch(folder);
  Touch(link);
  return kRegOk;
}

std::int32_t MemoryRegistry::ReadTree(RegKey key,
                                      const std::function<void(const RegNode*, const TreeReader&)>& read) {
  std::lock_guard lock(mu_);
  if (IsRootKey(key)) OnRootWalk();
  RegNode* node = nullptr;
  const std::int32_t status = Resolve(key, &node);
  if (status != kRegOk) return status;
  read(node, TreeReader(*this));
  return kRegOk;
}

const RegNode* MemoryRegistry::TreeReader::Subkey(const RegNode& parent, std::size_t index) const {
  if (index >= parent.subkeys.size()) return nullptr;
  parent.hint = static_cast<std::uint32_t>(index);  // as EnumKey leaves it
  RegNode* child = parent.subkeys[index].get();
  const std::u16string_view name = child->name;
  // A plain name finds the child itself: the lookup tries the hinted index first.
  if (!child->Has(RegNode::kLink) && !name.empty() && name.find(u'\\') == std::u16string_view::npos) {
    return child;
  }
  // Otherwise exactly what opening the name does: an empty path is the parent
  // itself, backslashes split it, links lead to their targets.
  if (IsEmptyPath(name)) return &parent;
  RegNode* out = nullptr;
  if (registry_.Walk(const_cast<RegNode*>(&parent), name, false, true, &out, nullptr, 0) != kRegOk) {
    return nullptr;
  }
  return out;
}

}  // namespace platform
