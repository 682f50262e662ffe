// A registry kept wholly in memory: the store behind tests and the base of the
// file-backed Wine registry. HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are two
// trees; HKEY_CLASSES_ROOT shows HKEY_LOCAL_MACHINE\Software\Classes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/reg_tree.h"
#include "platform/registry.h"

namespace platform {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  std::int32_t OpenKey(RegKey parent, std::u16string_view path, RegKey* out) override;
  std::int32_t CreateKey(RegKey parent, std::u16string_view path, RegKey* out) override;
  void CloseKey(RegKey key) override;
  std::int32_t QueryInfo(RegKey key, std::uint32_t* subkeys, std::uint32_t* values) override;
  std::int32_t EnumKey(RegKey key, std::uint32_t index, std::u16string* name) override;
  std::int32_t EnumValue(RegKey key, std::uint32_t index, std::u16string* name, RegValue* value) override;
  std::int32_t QueryValue(RegKey key, std::u16string_view name, RegValue* value) override;
  std::int32_t SetValue(RegKey key, std::u16string_view name, const RegValue& value) override;
  std::int32_t DeleteTree(RegKey key, std::u16string_view subpath) override;
  std::int32_t DeleteValue(RegKey key, std::u16string_view name) override;
  std::int32_t Flush() override { return kRegOk; }

  // Makes `path` below `parent` a symbolic link to `target`, a kernel-style
  // path such as "\Registry\Machine\Software\Classes\CLSID" (as Wine keeps
  // them). The key must not exist yet. For tests and tools.
  std::int32_t CreateLink(RegKey parent, std::u16string_view path, std::u16string_view target);

  std::size_t OpenHandleCount() const;

  // Direct read access to the keys for readers of whole subtrees: a .reg
  // export of 800,000 keys through the handles above copies every name and
  // value and opens every subkey by name.
  class TreeReader {
   public:
    // The key that OpenKey(parent, name of subkey `index`) opens, a link
    // followed to its target; null where that open fails.
    const RegNode* Subkey(const RegNode& parent, std::size_t index) const;

   private:
    friend class MemoryRegistry;
    explicit TreeReader(MemoryRegistry& registry) : registry_(registry) {}
    MemoryRegistry& registry_;
  };
  // Runs `read` with the registry locked, on the key `key` names (null for a
  // missing HKEY_CLASSES_ROOT), as a walk from a root key begins. Returns how
  // resolving `key` went; `read` runs only when it went well. Nothing may
  // change the registry from inside `read`.
  std::int32_t ReadTree(RegKey key,
                        const std::function<void(const RegNode* node, const TreeReader& reader)>& read);
  // Why a hive read on first use (see SetHivePending) could not be read;
  // empty when none failed. Its keys then read as missing.
  virtual std::string DeferredReadProblem() const { return {}; }

 protected:
  enum class Hive { kMachine = 0, kUser = 1 };

  // A pending hive is read only when first used: OnHiveNeeded runs, with the
  // lock held, before anything looks at the hive's keys.
  void SetHivePending(Hive hive, bool pending) { pending_[static_cast<int>(hive)] = pending; }
  bool HivePending(Hive hive) const { return pending_[static_cast<int>(hive)]; }
  virtual void OnHiveNeeded(Hive /*hive*/) {}

  // Consulted before every change; a non-zero status refuses it.
  virtual std::int32_t CheckWritable() { return kRegOk; }
  // Told after every change, with the hive that changed.
  virtual void OnModified(Hive /*hive*/) {}
  // Called at the start of every walk from a root key, before anything is read.
  virtual void OnRootWalk() {}

  // The hooks above run with this lock held; so must the members below.
  std::mutex& mutex() const { return mu_; }
  RegNode& hive_root(Hive hive) { return *roots_[static_cast<int>(hive)]; }
  // Puts a new tree in place of a hive. Handles into the old tree fail from
  // then on with kRegNotFound.
  void ReplaceHive(Hive hive, std::unique_ptr<RegNode> root);

 private:
  struct Handle {
    RegNode* node = nullptr;       // null once the key has been deleted
    RegNode* via_link = nullptr;   // the link key this handle was opened through, if any
    const RegNode* top = nullptr;  // the root of node's tree, so that a change need not look for it
  };

  // Resolves a handle; HKEY_CLASSES_ROOT resolves to null when its key is missing.
  // `top` (optional) receives the root of the node's tree, or null when it is not known.
  std::int32_t Resolve(RegKey key, RegNode** node, RegNode** via_link = nullptr,
                       const RegNode** top = nullptr);
  std::int32_t Walk(RegNode* start, std::u16string_view path, bool create, bool follow_last, RegNode** out,
                    RegNode** via_link, int depth);
  std::int32_t FollowLink(RegNode* link, bool create, RegNode** out, int depth);
  RegNode* ClassesRoot(bool create);
  RegKey NewHandle(RegNode* node, RegNode* via_link);
  bool IsRoot(const RegNode* node) const;
  void Touch(RegNode* node);
  void Touch(RegNode* node, const RegNode* top);  // `top`: the root of node's tree
  void DropHandlesUnder(const RegNode* node);
  std::int32_t OpenOrCreate(RegKey parent, std::u16string_view path, bool create, RegKey* out);
  // FindValue that first tries the value after the one found last: an
  // import sets a key's values in the order they are stored.
  RegTreeValue* FindValueInOrder(RegNode* node, std::u16string_view name);
  void NeedHive(Hive hive) {
    if (pending_[static_cast<int>(hive)]) {
      pending_[static_cast<int>(hive)] = false;
      OnHiveNeeded(hive);
    }
  }

  mutable std::mutex mu_;
  std::unique_ptr<RegNode> roots_[2];
  // HKLM\Software\Classes as last found; forgotten on every change, as a
  // change may delete it or retarget a link on the way.
  RegNode* classes_root_ = nullptr;
  std::unordered_map<RegKey, Handle> handles_;
  // Where FindValueInOrder looks first; only a hint, checked before use.
  const RegNode* value_hint_node_ = nullptr;
  std::size_t value_hint_ = 0;
  RegKey next_handle_ = 0x1000;
  bool pending_[2] = {false, false};
};

}  // namespace platform
