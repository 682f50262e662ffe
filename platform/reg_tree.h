// The in-memory shape of a registry hive: a tree of keys, each holding its
// values, plus what a file backend must keep to write the key back unchanged.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// Memory for the values of a loaded hive, handed out from big blocks and
// freed all at once with the hive: a Windows-sized file holds over a million
// values, and one allocation (and its page faults) each dominated the load.
class ByteArena {
 public:
  ByteArena() = default;
  ByteArena(const ByteArena&) = delete;
  ByteArena& operator=(const ByteArena&) = delete;
  ~ByteArena();

  std::uint8_t* Allocate(std::size_t size);
  // A piece starting at a multiple of `align` (a power of two up to 16).
  std::uint8_t* Allocate(std::size_t size, std::size_t align);
  // Takes over every block of `other` (left empty): what was handed out there
  // now lives as long as this arena.
  void Absorb(ByteArena& other);

 private:
  struct Block {
    std::uint8_t* data;
    std::size_t size;
  };
  std::vector<Block> blocks_;
  std::uint8_t* next_ = nullptr;
  std::size_t left_ = 0;
};

// A value's bytes, read like a std::vector<std::uint8_t>. Bytes set through
// the registry live on the heap; bytes of a loaded file live in its hive's
// ByteArena, which outlives every key of that hive.
class ValueBytes {
 public:
  ValueBytes() = default;
  ValueBytes(const std::vector<std::uint8_t>& bytes) { assign(bytes.data(), bytes.size()); }  // NOLINT
  ValueBytes(std::initializer_list<std::uint8_t> bytes) { assign(bytes.begin(), bytes.size()); }
  ValueBytes(const ValueBytes& other) { assign(other.data(), other.size()); }
  ValueBytes(ValueBytes&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        kind_(std::exchange(other.kind_, kBorrowed)) {}
  ValueBytes& operator=(const ValueBytes& other) {
    if (this != &other) assign(other.data(), other.size());
    return *this;
  }
  ValueBytes& operator=(ValueBytes&& other) noexcept {
    if (this != &other) {
      Free();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
      kind_ = std::exchange(other.kind_, kBorrowed);
    }
    return *this;
  }
  ValueBytes& operator=(const std::vector<std::uint8_t>& bytes) {
    assign(bytes.data(), bytes.size());
    return *this;
  }
  ~ValueBytes() { Free(); }

  // Copies the bytes onto the heap.
  void assign(const std::uint8_t* bytes, std::size_t size);
  // Copies the bytes into `arena` (which must outlive this value).
  void assign(ByteArena& arena, const std::uint8_t* bytes, std::size_t size);
  // Takes the buffer itself: a huge value is then never held twice.
  void adopt(std::vector<std::uint8_t>&& bytes);

  const std::uint8_t* data() const {
    return kind_ == kVector ? reinterpret_cast<const std::vector<std::uint8_t>*>(data_)->data() : data_;
  }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const std::uint8_t& operator[](std::size_t i) const { return data()[i]; }
  const std::uint8_t* begin() const { return data(); }
  const std::uint8_t* end() const { return data() + size_; }
  operator std::vector<std::uint8_t>() const { return {begin(), end()}; }  // NOLINT

  friend bool operator==(const ValueBytes& a, const ValueBytes& b) {
    return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.data(), b.data(), a.size_) == 0);
  }
  friend bool operator==(const ValueBytes& a, const std::vector<std::uint8_t>& b) {
    return a.size_ == b.size() && (a.size_ == 0 || std::memcmp(a.data(), b.data(), a.size_) == 0);
  }

 private:
  enum Kind : std::uint8_t {
    kBorrowed,  // in an arena, or empty
    kArray,     // new[] of our own
    kVector,    // data_ is a std::vector of our own
  };
  void Free() {
    if (kind_ == kArray) delete[] data_;
    if (kind_ == kVector) delete reinterpret_cast<std::vector<std::uint8_t>*>(data_);
    data_ = nullptr;
    size_ = 0;
    kind_ = kBorrowed;
  }

  std::uint8_t* data_ = nullptr;
  std::uint32_t size_ = 0;
  Kind kind_ = kBorrowed;
};

// A value's name, read like a std::u16string_view; kept like ValueBytes.
class TreeText {
 public:
  TreeText() = default;
  TreeText(std::u16string_view text) { assign(text); }                         // NOLINT
  TreeText(const char16_t* text) { assign(std::u16string_view(text)); }        // NOLINT
  TreeText(const std::u16string& text) { assign(std::u16string_view(text)); }  // NOLINT
  TreeText(const TreeText& other) { assign(other.view()); }
  TreeText(TreeText&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        owned_(std::exchange(other.owned_, false)) {}
  TreeText& operator=(const TreeText& other) {
    if (this != &other) assign(other.view());
    return *this;
  }
  TreeText& operator=(TreeText&& other) noexcept {
    if (this != &other) {
      Free();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
      owned_ = std::exchange(other.owned_, false);
    }
    return *this;
  }
  ~TreeText() { Free(); }

  void assign(std::u16string_view text);                    // onto the heap
  void assign(ByteArena& arena, std::u16string_view text);  // into the arena

  std::u16string_view view() const { return {data_, size_}; }
  operator std::u16string_view() const { return view(); }  // NOLINT
  const char16_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  friend bool operator==(const TreeText& a, std::u16string_view b) { return a.view() == b; }

 private:
  void Free() {
    if (owned_) delete[] data_;
    data_ = nullptr;
    size_ = 0;
    owned_ = false;
  }

  const char16_t* data_ = nullptr;
  std::uint32_t size_ = 0;
  bool owned_ = false;
};

struct RegTreeValue {
  TreeText name;  // empty = the key's default value
  std::uint32_t type = 0;
  ValueBytes data;
};

// The values of a key, used like a std::vector<RegTreeValue>. A key read
// from a file keeps them in its hive's ByteArena, in one piece of the right
// size (a million small allocations, and their page faults, weighed on the
// load); a list that grows moves to the heap.
class RegValueList {
 public:
  using value_type = RegTreeValue;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = RegTreeValue&;
  using const_reference = const RegTreeValue&;
  using pointer = RegTreeValue*;
  using const_pointer = const RegTreeValue*;
  using iterator = RegTreeValue*;
  using const_iterator = const RegTreeValue*;

  RegValueList() = default;
  RegValueList(const RegValueList& other) { *this = other; }
  RegValueList(RegValueList&& other) noexcept { *this = std::move(other); }
  RegValueList(std::initializer_list<RegTreeValue> values) { *this = values; }
  RegValueList& operator=(std::initializer_list<RegTreeValue> values) {
    clear();
    reserve(values.size());
    for (const RegTreeValue& v : values) push_back(v);
    return *this;
  }
  RegValueList& operator=(const RegValueList& other);
  RegValueList& operator=(RegValueList&& other) noexcept;
  ~RegValueList() { Release(); }

  // Moves `values` into a piece of `arena` (which must outlive this list),
  // replacing what the list held.
  void AssignIn(ByteArena& arena, std::vector<RegTreeValue>& values);

  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  RegTreeValue* data() { return data_; }
  const RegTreeValue* data() const { return data_; }
  iterator begin() { return data_; }
  iterator end() { return data_ + size_; }
  const_iterator begin() const { return data_; }
  const_iterator end() const { return data_ + size_; }
  RegTreeValue& operator[](std::size_t i) { return data_[i]; }
  const RegTreeValue& operator[](std::size_t i) const { return data_[i]; }
  RegTreeValue& front() { return data_[0]; }
  const RegTreeValue& front() const { return data_[0]; }
  RegTreeValue& back() { return data_[size_ - 1]; }
  const RegTreeValue& back() const { return data_[size_ - 1]; }

  void reserve(std::size_t n);
  void push_back(const RegTreeValue& value) { emplace_back(value); }
  void push_back(RegTreeValue&& value) { emplace_back(std::move(value)); }
  template <typename... Args>
  RegTreeValue& emplace_back(Args&&... args) {
    if (size_ == capacity_) {
      RegTreeValue made(std::forward<Args>(args)...);  // args may name one of ours
      Grow(size_ + 1);
      return *new (data_ + size_++) RegTreeValue(std::move(made));
    }
    return *new (data_ + size_++) RegTreeValue(std::forward<Args>(args)...);
  }
  iterator insert(const_iterator pos, RegTreeValue value);
  iterator erase(const_iterator pos) { return erase(pos, pos + 1); }
  iterator erase(const_iterator first, const_iterator last);
  void pop_back() { data_[--size_].~RegTreeValue(); }
  void clear();

 private:
  void Grow(std::size_t need);
  void Release();

  RegTreeValue* data_ = nullptr;
  std::uint32_t size_ = 0;
  // Every key has a list: kept to 16 bytes.
  std::uint32_t capacity_ : 31 = 0;
  std::uint32_t borrowed_ : 1 = 0;  // the storage is in an arena
};

// Rarely needed per-key details, kept out of line so that plain keys stay small.
struct RegNodeExtra {
  bool has_class = false;
  std::u16string key_class;
  std::vector<std::string> options;  // other "#..." lines of the key, verbatim
  // The root key of a loaded hive owns the memory of its values. Keys hold
  // no pointer to it and never read their bytes while being destroyed.
  std::unique_ptr<ByteArena> arena;
};

// A key's name. Keys read from a file keep theirs in the hive's arena, keys
// made later on the heap.
class KeyName {
 public:
  KeyName() = default;
  KeyName(const KeyName&) = delete;
  KeyName& operator=(const KeyName&) = delete;

  void assign(std::u16string_view text) { text_.assign(text); }
  void assign(ByteArena& arena, std::u16string_view text) { text_.assign(arena, text); }
  const char16_t* data() const { return text_.data(); }
  std::size_t size() const { return text_.size(); }
  bool empty() const { return text_.empty(); }
  operator std::u16string_view() const { return text_.view(); }  // NOLINT
  friend bool operator==(const KeyName& a, std::u16string_view b) { return a.text_.view() == b; }

 private:
  TreeText text_;
};

struct RegNode {
  enum Flag : std::uint8_t {
    kLink = 1,       // a symbolic link ("#link"); its SymbolicLinkValue names the target
    kChanged = 2,    // changed since it was loaded: its stored text is stale
    kHadBlock = 4,   // the file had a block of its own for this key
    kVolatile = 8,   // never written out
    kTimeRead = 16,  // the file gave the key its time (on its key line or a "#time" line)
  };

  KeyName name;
  RegNode* parent = nullptr;
  std::vector<std::unique_ptr<RegNode>> subkeys;  // ordered by CompareKeyNames
  RegValueList values;                            // stored order, names unique without case
  std::uint64_t modified = 0;                     // 100 ns units since 1601 (Windows FILETIME)
  std::uint64_t raw_offset = 0;                   // the key's block in the loaded text, if any
  std::uint32_t raw_length = 0;
  // Index of the subkey found or enumerated last: scans look up the child they
  // just enumerated, or the next one, and skip the search through big keys.
  mutable std::uint32_t hint = 0;
  std::uint8_t flags = 0;
  std::unique_ptr<RegNodeExtra> extra;

  RegNode() = default;
  RegNode(const RegNode&) = delete;
  RegNode& operator=(const RegNode&) = delete;
  // Frees the subtree without recursion: a file may nest keys a million deep.
  ~RegNode();

  // Keys are made and dropped by the hundred thousand: they come from a pool
  // of big blocks (see reg_tree.cpp) rather than one allocation each.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size);

  bool Has(Flag f) const { return (flags & f) != 0; }
  RegNodeExtra& Extra();

  RegNode* FindSubkey(std::u16string_view key_name) const;
  // Returns the existing subkey of that name, or inserts a new one in order
  // (its name kept in `arena` when one is given).
  RegNode* AddSubkey(std::u16string_view key_name, bool* created = nullptr, ByteArena* arena = nullptr);
  // Detaches `child` and returns it (null if it is not a subkey of this key).
  std::unique_ptr<RegNode> RemoveSubkey(const RegNode* child);

  RegTreeValue* FindValue(std::u16string_view value_name);
  const RegTreeValue* FindValue(std::u16string_view value_name) const;
  bool RemoveValue(std::u16string_view value_name);

  // The target text of a link key ("\Registry\Machine\..."), empty otherwise.
  std::u16string LinkTarget() const;
  bool IsUnder(const RegNode* ancestor) const;  // true also for the node itself
};

// The order of subkeys: case-insensitive on lower-cased names, as wineserver
// keeps and writes them.
int CompareKeyNames(std::u16string_view a, std::u16string_view b);

// Current time as a Windows FILETIME (100 ns units since 1601-01-01 UTC).
std::uint64_t CurrentFileTime();

inline constexpr std::u16string_view kSymbolicLinkValue = u"SymbolicLinkValue";

}  // namespace platform
