// Routines the scanners and fixers share: key handles, enumeration with the
// 260-unit buffer rule, path-like values, progress, findings and icons.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/engine_state.h"
#include "platform/registry.h"
#include "shared/clean_reg.h"

namespace Function {

inline constexpr std::u16string_view kHklmPrefix = u"HKEY_LOCAL_MACHINE";
inline constexpr std::u16string_view kHkcuPrefix = u"HKEY_CURRENT_USER";
inline constexpr std::u16string_view kHkcrPrefix = u"HKEY_CLASSES_ROOT";

// An open key that closes itself. Invalid (false) when the open failed.
class ScopedKey {
 public:
  ScopedKey() = default;
  ScopedKey(platform::Registry* registry, platform::RegKey parent, std::u16string_view path);
  ~ScopedKey();
  ScopedKey(ScopedKey&& other) noexcept;
  ScopedKey& operator=(ScopedKey&& other) noexcept;
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  explicit operator bool() const { return status_ == platform::kRegOk; }
  std::int32_t status() const { return status_; }  // the open's result code
  platform::RegKey get() const { return key_; }
  void Close();

 private:
  platform::Registry* registry_ = nullptr;
  platform::RegKey key_ = 0;
  std::int32_t status_ = platform::kRegNotFound;
};

// Counts as the engine relies on them: 0 when the query fails.
std::uint32_t CountSubKeys(platform::Registry* registry, platform::RegKey key);
std::uint32_t CountValues(platform::Registry* registry, platform::RegKey key);

// Enumeration into 260-unit buffers: a name of 260 or more units does not fit
// and the call fails, as does a value whose data exceeds 520 bytes.
std::optional<std::u16string> EnumSubKeyName(platform::Registry* registry, platform::RegKey key,
                                             std::uint32_t index);
std::optional<std::u16string> EnumValueName(platform::Registry* registry, platform::RegKey key,
                                            std::uint32_t index);
bool EnumValueWithData(platform::Registry* registry, platform::RegKey key, std::uint32_t index,
                       std::u16string* name, platform::RegValue* data);
// Reads a value (empty name = default) into the 260-unit buffer; the text is
// the data up to its first NUL. Fails when the read fails or does not fit.
bool ReadStringValue(platform::Registry* registry, platform::RegKey key, std::u16string_view name,
                     std::u16string* text, std::uint32_t* type = nullptr);

// Turns a stored command line or icon reference into the file path it names.
// Returns 1 and the path, or 0 when the text has no usable drive-qualified path.
int ExtractFilePath(char16_t* out, std::u16string_view text, std::uint32_t* capacity);
std::optional<std::u16string> ExtractFilePath(std::u16string_view text);

// A path-like value: read the key's value (default when `name` is empty),
// expand REG_EXPAND_SZ, extract the file path. Empty when any step fails.
struct PathValue {
  std::u16string text;  // the value after expansion: the finding's name
  std::u16string path;  // the extracted file path
};
std::optional<PathValue> ReadPathValue(CRegEngine& engine, platform::RegKey key,
                                       std::u16string_view name = {});

bool FileExists(CRegEngine& engine, std::u16string_view path);
std::u16string GetSpecialFolder(CRegEngine& engine, int csidl);

// The small icon for the extension of `source` (".dll", or a key name such as
// ".txt"); cached per engine, at most kIconCacheLimit entries; 0 = none.
std::uint32_t GetExtensionIcon(CRegEngine& engine, std::u16string_view source);

// Running percent: starts at 100, grows by 100 per visited item, divided by
// the item total in unsigned integer division.
class ProgressCounter {
 public:
  ProgressCounter(int type, ICallback* callback, std::uint32_t total)
      : type_(type), callback_(callback), total_(total) {}
  // Reports one item (when there is a callback), then advances the counter.
  void Report(std::u16string_view text, std::int32_t count);
  // Advances without a report (an item that is visited but not reported).
  void Skip() { step_ += 100; }
  // Reports with an explicit percent (type 3 computes its own).
  static void Send(ICallback* callback, int type, std::u16string_view text, std::int32_t percent,
                   std::int32_t count);

 private:
  int type_;
  ICallback* callback_;
  std::uint32_t total_;
  std::uint32_t step_ = 100;
};

// Appends a finding (selected 1) to the type's list and returns true. A name
// longer than 259 units is cut to the field; a finding whose key text does not
// fit is left out (false), since a fixer would act on the cut text's key.
bool AddFinding(CRegEngine& engine, int type, std::u16string_view name, std::u16string_view key,
                std::int32_t index, std::uint32_t icon);

// Writes a line to the debugger output.
void DebugLine(std::u16string_view text);

// Copies text into a fixed UTF-16 field with its terminator (cut to fit).
void CopyToField(char16_t (&field)[kTextUnits], std::u16string_view text);

// The backup folder: `folder` (not empty) or the application-data folder,
// always ending in a backslash. Empty when `folder` is empty.
std::u16string GetBackupFolder(CRegEngine& engine, const char16_t* folder);

}  // namespace Function
