#include "engine/scan_support.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/debug_output.h"
#include "platform/icons.h"

namespace Function {

namespace {

constexpr std::size_t kNameUnits = kTextUnits;      // name buffers, terminator included
constexpr std::size_t kDataBytes = kNameUnits * 2;  // value data buffers

// Value data as UTF-16 text up to its first NUL.
std::u16string DataText(const platform::RegValue& value) {
  std::u16string text;
  const std::size_t units = value.data.size() / 2;
  text.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t c = static_cast<char16_t>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

}  // namespace

ScopedKey::ScopedKey(platform::Registry* registry, platform::RegKey parent, std::u16string_view path)
    : registry_(registry) {
  if (registry_ == nullptr) {
    status_ = platform::kRegInvalidHandle;
    return;
  }
  status_ = registry_->OpenKey(parent, path, &key_);
  if (status_ != platform::kRegOk) key_ = 0;
}

ScopedKey::~ScopedKey() { Close(); }

ScopedKey::ScopedKey(ScopedKey&& other) noexcept
    : registry_(std::exchange(other.registry_, nullptr)),
      key_(std::exchange(other.key_, 0)),
      status_(std::exchange(other.status_, platform::kRegNotFound)) {}

ScopedKey& ScopedKey::operator=(ScopedKey&& other) noexcept {
  if (this != &other) {
    Close();
    registry_ = std::exchange(other.registry_, nullptr);
    key_ = std::exchange(other.key_, 0);
    status_ = std::exchange(other.status_, platform::kRegNotFound);
  }
  return *this;
}

void ScopedKey::Close() {
  if (registry_ != nullptr && status_ == platform::kRegOk) registry_->CloseKey(key_);
  key_ = 0;
  if (status_ == platform::kRegOk) status_ = platform::kRegInvalidHandle;
}

std::uint32_t CountSubKeys(platform::Registry* registry, platform::RegKey key) {
  std::uint32_t subkeys = 0;
  if (registry == nullptr || registry->QueryInfo(key, &subkeys, nullptr) != platform::kRegOk) return 0;
  return subkeys;
}

std::uint32_t CountValues(platform::Registry* registry, platform::RegKey key) {
  std::uint32_t values = 0;
  if (registry == nullptr || registry->QueryInfo(key, nullptr, &values) != platform::kRegOk) return 0;
  return values;
}

std::optional<std::u16string> EnumSubKeyName(platform::Registry* registry, platform::RegKey key,
                                             std::uint32_t index) {
  std::u16string name;
  if (registry == nullptr || registry->EnumKey(key, index, &name) != platform::kRegOk) return std::nullopt;
  if (name.size() >= kNameUnits) return std::nullopt;
  return name;
}

std::optional<std::u16string> EnumValueName(platform::Registry* registry, platform::RegKey key,
                                            std::uint32_t index) {
  std::u16string name;
  if (registry == nullptr || registry->EnumValue(key, index, &name, nullptr) != platform::kRegOk) {
    return std::nullopt;
  }
  if (name.size() >= kNameUnits) return std::nullopt;
  return name;
}

bool EnumValueWithData(platform::Registry* registry, platform::RegKey key, std::uint32_t index,
                       std::u16string* name, platform::RegValue* data) {
  std::u16string found_name;
  platform::RegValue found_data;
  if (registry == nullptr || registry->EnumValue(key, index, &found_name, &found_data) != platform::kRegOk) {
    return false;
  }
  if (found_name.size() >= kNameUnits || found_data.data.size() > kDataBytes) return false;
  if (name != nullptr) *name = std::move(found_name);
  if (data != nullptr) *data = std::move(found_data);
  return true;
}

bool ReadStringValue(platform::Registry* registry, platform::RegKey key, std::u16string_view name,
                     std::u16string* text, std::uint32_t* type) {
  platform::RegValue value;
  if (registry == nullptr || registry->QueryValue(key, name, &value) != platform::kRegOk) return false;
  if (value.data.size() > kDataBytes) return false;
  std::u16string result = DataText(value);
  // The buffer keeps room for its terminator.
  if (result.size() >= kTextUnits) result.resize(kTextUnits - 1);
  if (text != nullptr) *text = std::move(result);
  if (type != nullptr) *type = value.type;
  return true;
}

int ExtractFilePath(char16_t* out, std::u16string_view text, std::uint32_t* capacity) {
  if (text.empty() || capacity == nullptr || *capacity == 0 || out == nullptr) return 0;
  constexpr std::u16string_view kDriveMark = u":\\";
  const std::size_t colon = text.find(kDriveMark);
  if (colon == std::u16string_view::npos || colon == 0) return 0;
  if (text.find(kDriveMark, colon + 1) != std::u16string_view::npos) return 0;
  const std::size_t last_slash = text.rfind(u'\\');
  const std::size_t dot = text.find(u'.', last_slash + 1);
  if (dot == std::u16string_view::npos) return 0;
  const std::size_t space = text.find(u' ', dot + 1);
  const std::size_t start = colon - 1;
  std::u16string_view candidate =
      space == std::u16string_view::npos ? text.substr(start) : text.substr(start, space - start);
  for (std::u16string_view marker : {u"\"", u"%", u"/", u",", u" -", u",-"}) {
    const std::size_t cut = candidate.find(marker);
    if (cut != std::u16string_view::npos) candidate = candidate.substr(0, cut);
  }
  const std::size_t length = std::min<std::size_t>(candidate.size(), *capacity - 1);
  std::copy_n(candidate.data(), length, out);
  out[length] = u'\0';
  *capacity = static_cast<std::uint32_t>(length);
  return 1;
}

std::optional<std::u16string> ExtractFilePath(std::u16string_view text) {
  char16_t buffer[kTextUnits];
  std::uint32_t capacity = kTextUnits;
  if (ExtractFilePath(buffer, text, &capacity) == 0) return std::nullopt;
  return std::u16string(buffer, capacity);
}

std::optional<PathValue> ReadPathValue(CRegEngine& engine, platform::RegKey key, std::u16string_view name) {
  std::u16string text;
  std::uint32_t type = platform::kRegNone;
  if (!ReadStringValue(engine.registry(), key, name, &text, &type)) return std::nullopt;
  if (type == platform::kRegExpandSz) {
    if (engine.system() == nullptr) return std::nullopt;
    text = engine.system()->ExpandEnvironmentStrings(text);
    // The expansion goes into a second 260-unit buffer: a longer one does not fit.
    if (text.size() >= kTextUnits) return std::nullopt;
  }
  std::optional<std::u16string> path = ExtractFilePath(text);
  if (!path) return std::nullopt;
  return PathValue{std::move(text), std::move(*path)};
}

bool FileExists(CRegEngine& engine, std::u16string_view path) {
  // Without a system nothing can be checked, and what cannot be checked is never reported.
  if (engine.system() == nullptr) return true;
  return engine.system()->PathFileExists(path);
}

std::u16string GetSpecialFolder(CRegEngine& engine, int csidl) {
  if (engine.system() == nullptr) return {};
  return engine.system()->GetSpecialFolder(csidl);
}

std::uint32_t GetExtensionIcon(CRegEngine& engine, std::u16string_view source) {
  std::u16string extension;
  const std::size_t dot = source.rfind(u'.');
  if (dot != std::u16string_view::npos && source.find(u'\\', dot) == std::u16string_view::npos) {
    extension = std::u16string(source.substr(dot));
  }
  DebugLine(extension + u"\n");
  if (extension.empty()) return 0;
  const auto cached = engine.icon_cache.find(extension);
  if (cached != engine.icon_cache.end()) return cached->second;
  if (engine.icon_cache.size() >= kIconCacheLimit) return 0;
  const std::uint32_t icon = platform::CreateExtensionIcon(extension);
  engine.icon_cache.emplace(std::move(extension), icon);
  return icon;
}

void ProgressCounter::Report(std::u16string_view text, std::int32_t count) {
  if (callback_ != nullptr) {
    const std::int32_t percent = total_ == 0 ? 0 : static_cast<std::int32_t>(step_ / total_);
    Send(callback_, type_, text, percent, count);
  }
  step_ += 100;
}

void ProgressCounter::Send(ICallback* callback, int type, std::u16string_view text, std::int32_t percent,
                           std::int32_t count) {
  if (callback == nullptr) return;
  RegProgressInfo info;
  std::memset(&info, 0, sizeof(info));
  info.type = type;
  CopyToField(info.text, text);
  info.percent = percent;
  info.count = count;
  callback->OnProgress(&info);
}

bool AddFinding(CRegEngine& engine, int type, std::u16string_view name, std::u16string_view key,
                std::int32_t index, std::uint32_t icon) {
  if (key.size() >= kTextUnits) return false;
  RegProblemItem item;
  std::memset(&item, 0, sizeof(item));
  item.type = type;
  CopyToField(item.name, name);
  CopyToField(item.key, key);
  item.selected = 1;
  item.index = index;
  item.icon = icon;
  engine.items(type).push_back(item);
  engine.Publish(type);
  return true;
}

void DebugLine(std::u16string_view text) { platform::DebugOutput(text); }

void CopyToField(char16_t (&field)[kTextUnits], std::u16string_view text) {
  const std::size_t length = std::min<std::size_t>(text.size(), kTextUnits - 1);
  std::copy_n(text.data(), length, field);
  std::fill(field + length, field + kTextUnits, u'\0');
}

std::u16string GetBackupFolder(CRegEngine& engine, const char16_t* folder) {
  std::u16string result;
  if (folder != nullptr) {
    result = folder;
  } else {
    result = GetSpecialFolder(engine, platform::kCsidlAppData);
  }
  // An empty folder names no place: the caller must not build a file name on it.
  if (result.empty()) return result;
  if (result.back() != u'\\') result.push_back(u'\\');
  return result;
}

}  // namespace Function
