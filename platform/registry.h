// The registry as the engine, the tools and the program see it: one interface
// with a Windows-like handle API, whatever stores the keys underneath.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Opaque key handle. The three roots have the numbers Windows gives them.
using RegKey = std::uintptr_t;
inline constexpr RegKey kClassesRoot = 0x80000000u;
inline constexpr RegKey kCurrentUser = 0x80000001u;
inline constexpr RegKey kLocalMachine = 0x80000002u;

// Status codes: the Windows error numbers the callers test for.
inline constexpr std::int32_t kRegOk = 0;
inline constexpr std::int32_t kRegNotFound = 2;  // ERROR_FILE_NOT_FOUND
// ERROR_ACCESS_DENIED, also when the store is read-only or wineserver runs.
inline constexpr std::int32_t kRegAccessDenied = 5;
inline constexpr std::int32_t kRegInvalidHandle = 6;  // ERROR_INVALID_HANDLE
inline constexpr std::int32_t kRegWriteFault = 29;    // ERROR_WRITE_FAULT (saving to disk failed)
inline constexpr std::int32_t kRegInvalidParameter = 87;
inline constexpr std::int32_t kRegNoMoreItems = 259;  // ERROR_NO_MORE_ITEMS

// Value types (REG_*).
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// A value's type and its raw bytes exactly as Windows stores them
// (strings are UTF-16LE, normally with their terminating NUL).
struct RegValue {
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;

  bool operator==(const RegValue&) const = default;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // `path` is relative to `parent`, components separated by backslashes;
  // names compare case-insensitively and keep the case they were stored with.
  virtual std::int32_t OpenKey(RegKey parent, std::u16string_view path, RegKey* out) = 0;
  // Opens the key, creating it and any missing parents.
  virtual std::int32_t CreateKey(RegKey parent, std::u16string_view path, RegKey* out) = 0;
  // Closing a root or an unknown handle does nothing.
  virtual void CloseKey(RegKey key) = 0;

  virtual std::int32_t QueryInfo(RegKey key, std::uint32_t* subkeys, std::uint32_t* values) = 0;
  // Subkeys enumerate in case-insensitive name order, values in stored order.
  virtual std::int32_t EnumKey(RegKey key, std::uint32_t index, std::u16string* name) = 0;
  // `value` may be null when only the name is wanted.
  virtual std::int32_t EnumValue(RegKey key, std::uint32_t index, std::u16string* name, RegValue* value) = 0;
  // An empty name is the key's default value.
  virtual std::int32_t QueryValue(RegKey key, std::u16string_view name, RegValue* value) = 0;

  virtual std::int32_t SetValue(RegKey key, std::u16string_view name, const RegValue& value) = 0;
  // Removes `subpath` below `key` with everything under it. A link key is
  // removed itself; its target is left alone.
  virtual std::int32_t DeleteTree(RegKey key, std::u16string_view subpath) = 0;
  virtual std::int32_t DeleteValue(RegKey key, std::u16string_view name) = 0;

  // Makes the changes so far durable (a no-op for stores that have no disk).
  virtual std::int32_t Flush() = 0;
};

// Convenience helpers over the interface, used by tools and tests.
std::u16string RegSzText(const RegValue& value);  // up to the first NUL
RegValue MakeSz(std::u16string_view text, std::uint32_t type = kRegSz);
RegValue MakeDword(std::uint32_t number);

}  // namespace platform
