#include "platform/reg_tree.h"

#include <locale.h>
#include <sys/mman.h>
#include <wctype.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"

namespace platform {
namespace {

// Lower-case table for the BMP: wineserver orders keys by their lower-cased
// names, so '_' sorts before the letters.
struct LowerTable {
  std::array<char16_t, 0x10000> lower;
  LowerTable() {
    for (std::size_t i = 0; i < lower.size(); ++i) lower[i] = static_cast<char16_t>(i);
    for (char16_t c = u'A'; c <= u'Z'; ++c) lower[c] = static_cast<char16_t>(c + 32);
    for (char16_t c = 0xC0; c <= 0xDE; ++c) {
      if (c != 0xD7) lower[c] = static_cast<char16_t>(c + 32);
    }
    locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!loc) return;
    for (std::size_t i = 0x100; i < lower.size(); ++i) {
      if (i >= 0xD800 && i <= 0xDFFF) continue;
      wint_t l = towlower_l(static_cast<wint_t>(i), loc);
      if (l < 0x10000 && !(l >= 0xD800 && l <= 0xDFFF)) lower[i] = static_cast<char16_t>(l);
    }
    freelocale(loc);
  }
};

const std::array<char16_t, 0x10000>& Lower() {
  static const LowerTable table;
  return table.lower;
}

// Fixed-size slots carved from blocks that ask for huge pages: a large hive
// has hundreds of thousands of keys, and one allocation and a handful of page
// faults per key would dominate loading it. Freed slots are reused (a reload
// builds the new tree while the old one still lives); the blocks go back to
// the system once no key is left.
class NodePool {
 public:
  void* Allocate() {
    std::lock_guard lock(mu_);
    void* p = free_;
    if (free_) {
      free_ = free_->next;
    } else {
      if (next_ == end_) Grow();
      p = next_;
      next_ += kSlotSize;
    }
    ++live_;
    return p;
  }

  void Release(void* p) {
    std::lock_guard lock(mu_);
    Slot* slot = static_cast<Slot*>(p);
    slot->next = free_;
    free_ = slot;
    if (--live_ == 0) {
      for (void* block : blocks_) munmap(block, kBlockSize);
      blocks_.clear();
      free_ = nullptr;
      next_ = end_ = nullptr;
    }
  }

 private:
  struct Slot {
    Slot* next;
  };
  static constexpr std::size_t kSlotSize =
      (sizeof(RegNode) + alignof(RegNode) - 1) / alignof(RegNode) * alignof(RegNode);
  static constexpr std::size_t kBlockSize = 16u << 20;
  static constexpr std::uintptr_t kHugePage = 2u << 20;

  void Grow() {
    blocks_.reserve(blocks_.size() + 1);
    void* block = mmap(nullptr, kBlockSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    blocks_.push_back(block);
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t to = (start + kBlockSize) & ~(kHugePage - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);  // best effort
    next_ = static_cast<char*>(block);
    end_ = next_ + kBlockSize / kSlotSize * kSlotSize;
  }

  std::mutex mu_;
  std::vector<void*> blocks_;
  std::size_t live_ = 0;
  Slot* free_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

constexpr std::size_t kArenaFirst = 4096;
constexpr std::size_t kArenaLargest = 16u << 20;
constexpr std::size_t kArenaMapped = 4u << 20;  // blocks this big are mapped on their own

NodePool& Pool() {
  static NodePool* pool = new NodePool;  // never destroyed: keys may outlive static destructors
  return *pool;
}

}  // namespace

void* RegNode::operator new(std::size_t size) {
  return size == sizeof(RegNode) ? Pool().Allocate() : ::operator new(size);
}

void RegNode::operator delete(void* p, std::size_t size) {
  if (size == sizeof(RegNode)) {
    Pool().Release(p);
  } else {
    ::operator delete(p);
  }
}

ByteArena::~ByteArena() {
  for (const Block& block : blocks_) {
    if (block.size >= kArenaMapped) {
      munmap(block.data, block.size);
    } else {
      delete[] block.data;
    }
  }
}

std::uint8_t* ByteArena::Allocate(std::size_t size) {
  if (size == 0) return nullptr;
  size += size & 1;  // every piece starts at an even address, as UTF-16 text needs
  if (size > left_) {
    // Blocks grow with the hive: small files stay small, big ones get big
    // blocks that ask for huge pages. A value bigger than a block gets its own.
    const std::size_t grown =
        blocks_.empty() ? kArenaFirst : std::min(blocks_.back().size * 2, kArenaLargest);
    const std::size_t block_size = std::max(grown, size);
    Block block{nullptr, block_size};
    if (block_size >= kArenaMapped) {
      void* p = mmap(nullptr, block_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (p == MAP_FAILED) throw std::bad_alloc();
      block.data = static_cast<std::uint8_t*>(p);
      const auto start = reinterpret_cast<std::uintptr_t>(p);
      constexpr std::uintptr_t kHuge = 2u << 20;
      const std::uintptr_t from = (start + kHuge - 1) & ~(kHuge - 1);
      const std::uintptr_t to = (start + block_size) & ~(kHuge - 1);
      if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);  // best effort
    } else {
      block.data = new std::uint8_t[block_size];
    }
    blocks_.reserve(blocks_.size() + 1);
    blocks_.push_back(block);
    if (block_size == size) return block.data;  // its own block; the current one goes on
    next_ = block.data;
    left_ = block_size;
  }
  std::uint8_t* p = next_;
  next_ += size;
  left_ -= size;
  return p;
}

namespace {

// Sizes are kept in 32 bits: a registry value of 4 GiB or more is refused.
std::uint32_t CheckedSize(std::size_t size) {
  if (size > UINT32_MAX) throw std::length_error("a registry value or name of 4 GiB or more");
  return static_cast<std::uint32_t>(size);
}

}  // namespace

void ValueBytes::assign(const std::uint8_t* bytes, std::size_t size) {
  CheckedSize(size);
  std::uint8_t* copy = size ? new std::uint8_t[size] : nullptr;
  if (size) std::memcpy(copy, bytes, size);
  Free();  // after the copy: `bytes` may be our own
  data_ = copy;
  size_ = static_cast<std::uint32_t>(size);
  kind_ = copy != nullptr ? kArray : kBorrowed;
}

void ValueBytes::adopt(std::vector<std::uint8_t>&& bytes) {
  const std::uint32_t size = CheckedSize(bytes.size());
  auto* owned = new std::vector<std::uint8_t>(std::move(bytes));
  Free();
  data_ = reinterpret_cast<std::uint8_t*>(owned);
  size_ = size;
  kind_ = kVector;
}

void ValueBytes::assign(ByteArena& arena, const std::uint8_t* bytes, std::size_t size) {
  CheckedSize(size);
  std::uint8_t* copy = arena.Allocate(size);
  if (size) std::memcpy(copy, bytes, size);
  Free();
  data_ = copy;
  size_ = static_cast<std::uint32_t>(size);
}

void TreeText::assign(std::u16string_view text) {
  CheckedSize(text.size());
  char16_t* copy = text.empty() ? nullptr : new char16_t[text.size()];
  if (copy) std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
  Free();  // after the copy: `text` may be our own
  data_ = copy;
  size_ = static_cast<std::uint32_t>(text.size());
  owned_ = copy != nullptr;
}

void TreeText::assign(ByteArena& arena, std::u16string_view text) {
  CheckedSize(text.size());
  // Two-byte units need two-byte alignment: sizes handed out stay even.
  std::uint8_t* bytes = arena.Allocate(text.size() * sizeof(char16_t));
  char16_t* copy = reinterpret_cast<char16_t*>(bytes);
  if (copy) std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
  Free();
  data_ = copy;
  size_ = static_cast<std::uint32_t>(text.size());
}

RegNode::~RegNode() {
  // Each key taken off the stack hands its subkeys to the stack before it is
  // freed, so no destructor below ever sees a subkey.
  std::vector<std::unique_ptr<RegNode>> pending = std::move(subkeys);
  while (!pending.empty()) {
    std::unique_ptr<RegNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->subkeys) pending.push_back(std::move(child));
    node->subkeys.clear();
  }
}

int CompareKeyNames(std::u16string_view a, std::u16string_view b) {
  const auto& lower = Lower();
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    char16_t x = lower[a[i]];
    char16_t y = lower[b[i]];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

RegNodeExtra& RegNode::Extra() {
  if (!extra) extra = std::make_unique<RegNodeExtra>();
  return *extra;
}

RegNode* RegNode::FindSubkey(std::u16string_view key_name) const {
  const std::size_t n = subkeys.size();
  for (std::size_t i = hint; i < n && i <= std::size_t{hint} + 1; ++i) {
    if (subkeys[i]->name == key_name) {
      hint = static_cast<std::uint32_t>(i);
      return subkeys[i].get();
    }
  }
  std::size_t lo = 0;
  std::size_t hi = subkeys.size();
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    int c = CompareKeyNames(subkeys[mid]->name, key_name);
    if (c == 0) {
      hint = static_cast<std::uint32_t>(mid);
      return subkeys[mid].get();
    }
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return nullptr;
}

RegNode* RegNode::AddSubkey(std::u16string_view key_name, bool* created, ByteArena* arena) {
  if (created) *created = false;
  std::size_t pos = subkeys.size();
  // Files list keys in order, so appending is the common case.
  int last = subkeys.empty() ? -1 : CompareKeyNames(subkeys.back()->name, key_name);
  if (last == 0) return subkeys.back().get();
  if (last > 0) {
    std::size_t lo = 0;
    std::size_t hi = subkeys.size();
    while (lo < hi) {
      std::size_t mid = (lo + hi) / 2;
      int c = CompareKeyNames(subkeys[mid]->name, key_name);
      if (c == 0) return subkeys[mid].get();
      if (c < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    pos = lo;
  }
  auto node = std::make_unique<RegNode>();
  if (arena != nullptr) {
    node->name.assign(*arena, key_name);
  } else {
    node->name.assign(key_name);
  }
  node->parent = this;
  RegNode* raw = node.get();
  subkeys.insert(subkeys.begin() + static_cast<std::ptrdiff_t>(pos), std::move(node));
  if (created) *created = true;
  return raw;
}

std::unique_ptr<RegNode> RegNode::RemoveSubkey(const RegNode* child) {
  // Found by its name first: a fix deletes thousands of keys out of parents
  // with a hundred thousand subkeys.
  auto it = FindSubkey(child->name) == child ? subkeys.begin() + hint : subkeys.end();
  if (it == subkeys.end()) {
    it = std::find_if(subkeys.begin(), subkeys.end(), [child](const auto& s) { return s.get() == child; });
    if (it == subkeys.end()) return nullptr;
  }
  std::unique_ptr<RegNode> out = std::move(*it);
  subkeys.erase(it);
  out->parent = nullptr;
  hint = 0;
  return out;
}

RegTreeValue* RegNode::FindValue(std::u16string_view value_name) {
  for (auto& v : values) {
    if (EqualsNoCase(v.name, value_name)) return &v;
  }
  return nullptr;
}

const RegTreeValue* RegNode::FindValue(std::u16string_view value_name) const {
  return const_cast<RegNode*>(this)->FindValue(value_name);
}

bool RegNode::RemoveValue(std::u16string_view value_name) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (EqualsNoCase(it->name, value_name)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

std::u16string RegNode::LinkTarget() const {
  if (!Has(kLink)) return {};
  const RegTreeValue* v = FindValue(kSymbolicLinkValue);
  if (!v || v->type != kRegLink) return {};
  std::u16string text;
  for (std::size_t i = 0; i + 1 < v->data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(v->data[i] | (v->data[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

bool RegNode::IsUnder(const RegNode* ancestor) const {
  for (const RegNode* n = this; n; n = n->parent) {
    if (n == ancestor) return true;
  }
  return false;
}

std::uint64_t CurrentFileTime() {
  using namespace std::chrono;
  constexpr std::uint64_t kEpochDiff = 116444736000000000ULL;  // 1601 to 1970 in 100 ns
  auto since = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
  return kEpochDiff + static_cast<std::uint64_t>(since / 100);
}

}  // namespace platform
