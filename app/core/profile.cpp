#include "app/core/profile.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "app/core/atomic_file.h"
#include "app/core/program_paths.h"
#include "app/core/user_interface.h"
#include "platform/text.h"

namespace clarivo {
namespace {

// File layout: a header line, then one "name=type:data" line per value.
// Names are percent-escaped; integers are "dword:" with eight hex digits,
// blobs "hex:" with two hex digits per byte.
constexpr std::string_view kHeader = "Clarivo profile 1";

char HexDigit(unsigned v) { return "0123456789abcdef"[v & 15]; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string EscapeName(std::string_view name) {
  std::string out;
  for (unsigned char c : name) {
    if (c == '%' || c == '=' || c < 0x20 || c == 0x7F) {
      out += '%';
      out += HexDigit(c >> 4);
      out += HexDigit(c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool UnescapeName(std::string_view text, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out->push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return !out->empty();
}

// Value names compare without regard to ASCII case, as registry names do.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
    if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool ValidSection(std::string_view section) {
  return !section.empty() && section != "." && section != ".." &&
         section.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config";
  if (passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return std::string(pw->pw_dir) + "/.config";
  return "/tmp";
}

std::string UniqueAsidePath(const std::string& path) {
  std::string candidate = path + ".damaged";
  struct stat st;
  for (int n = 2; lstat(candidate.c_str(), &st) == 0; ++n) candidate = path + ".damaged-" + std::to_string(n);
  return candidate;
}

}  // namespace

std::string ProfileStore::SectionPath(std::string_view section) const {
  // Sections, like registry keys, are found without regard to case; a new
  // one keeps the case it was first written with.
  std::string exact = directory_ + "/" + std::string(section);
  struct stat st;
  if (lstat(exact.c_str(), &st) == 0) return exact;
  if (DIR* dir = opendir(directory_.c_str())) {
    while (dirent* e = readdir(dir)) {
      if (SameName(e->d_name, section)) {
        exact = directory_ + "/" + e->d_name;
        break;
      }
    }
    closedir(dir);
  }
  return exact;
}

std::string ProfileStore::last_error() const {
  std::lock_guard lock(mutex_);
  return last_error_;
}

ProfileStore::Status ProfileStore::HandleDamage(const std::string& path, const std::string& reason) {
  last_error_ = "the settings file " + path + " is damaged (" + reason + ")";
  if (kept_damaged_.count(path)) return Status::kDamaged;
  std::string aside = UniqueAsidePath(path);
  std::string question = "The settings file \"" + path + "\" is damaged (" + reason +
                         ") and cannot be read.\nSet it aside as \"" + aside +
                         "\" and start these settings afresh?\n"
                         "If not, the file is left untouched and its settings are neither read nor changed.";
  if (!UserInterface().AskYesNo(platform::ToUtf16(question))) {
    kept_damaged_.insert(path);
    return Status::kDamaged;
  }
  if (rename(path.c_str(), aside.c_str()) != 0) {
    UserInterface().MessageBox(
        platform::ToUtf16("Cannot set aside the damaged settings file \"" + path + "\"."));
    kept_damaged_.insert(path);
    return Status::kDamaged;
  }
  return Status::kOk;
}

// How old a file must be before what was read from it is kept: well above
// the tick in which file times advance (a few milliseconds).
constexpr std::int64_t kSettledNs = 100'000'000;

ProfileStore::Status ProfileStore::Load(std::string_view section, Section* out) {
  out->clear();
  if (!ValidSection(section)) {
    last_error_ = "invalid section name";
    return Status::kFailed;
  }
  const std::string path = SectionPath(section);
  if (const auto known = read_.find(path); known != read_.end()) {
    if (platform::StampOf(path) == known->second.stamp) {
      *out = known->second.entries;
      return Status::kOk;
    }
    read_.erase(known);
  }
  // Stamped before the read: a file replaced in between is read again next time.
  const platform::FileStamp stamp = platform::StampOf(path);
  std::string error;
  std::optional<std::string> content = ReadWholeFile(path, &error);
  if (!content) {
    if (error.empty()) return Status::kOk;  // no file yet: an empty section
    last_error_ = error;
    return Status::kFailed;
  }
  std::string_view text = *content;
  std::size_t line_no = 0;
  std::string reason;
  while (!text.empty() && reason.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      reason = "the last line is incomplete";
      break;
    }
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line_no++ == 0) {
      if (line != kHeader) reason = "unknown header";
      continue;
    }
    std::size_t eq = line.find('=');
    std::string name;
    if (eq == std::string_view::npos || !UnescapeName(line.substr(0, eq), &name)) {
      reason = "bad line " + std::to_string(line_no);
      break;
    }
    std::string_view data = line.substr(eq + 1);
    Value value;
    if (data.starts_with("dword:") && data.size() == 14) {
      std::uint32_t n = 0;
      for (char c : data.substr(6)) {
        int h = HexValue(c);
        if (h < 0) reason = "bad number on line " + std::to_string(line_no);
        n = n * 16 + static_cast<std::uint32_t>(h < 0 ? 0 : h);
      }
      value.number = static_cast<std::int32_t>(n);
    } else if (data.starts_with("hex:") && data.size() % 2 == 0) {
      value.is_int = false;
      value.bytes.reserve((data.size() - 4) / 2);
      for (std::size_t i = 4; i < data.size(); i += 2) {
        int hi = HexValue(data[i]), lo = HexValue(data[i + 1]);
        if (hi < 0 || lo < 0) reason = "bad data on line " + std::to_string(line_no);
        value.bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
      }
    } else {
      reason = "bad value on line " + std::to_string(line_no);
    }
    for (const auto& entry : *out) {
      if (SameName(entry.first, name)) reason = "value named twice on line " + std::to_string(line_no);
    }
    out->emplace_back(std::move(name), std::move(value));
  }
  if (line_no == 0 && reason.empty()) reason = "the file is empty";
  if (reason.empty()) {
    // A file changed in the last moments is not kept: file times advance in
    // ticks of milliseconds, so a change written in place within the same
    // tick would leave the same stamp.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t now_ns = std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
    if (stamp.exists && stamp.modified_ns < now_ns - kSettledNs) read_[path] = ReadSection{stamp, *out};
    return Status::kOk;
  }
  out->clear();
  return HandleDamage(path, reason);
}

ProfileStore::Status ProfileStore::Get(std::string_view section, std::string_view key, Value* value) {
  std::lock_guard lock(mutex_);
  Section entries;
  Status status = Load(section, &entries);
  if (status != Status::kOk) return status;
  for (auto& entry : entries) {
    if (SameName(entry.first, key)) {
      *value = std::move(entry.second);
      return Status::kOk;
    }
  }
  return Status::kAbsent;
}

ProfileStore::Status ProfileStore::Set(std::string_view section, std::string_view key, Value value) {
  std::lock_guard lock(mutex_);
  if (key.empty()) {
    last_error_ = "empty value name";
    return Status::kFailed;
  }
  Section entries;
  Status status = Load(section, &entries);
  if (status != Status::kOk) return status;
  auto existing = std::find_if(entries.begin(), entries.end(),
                               [&](const auto& entry) { return SameName(entry.first, key); });
  if (existing != entries.end()) {
    existing->second = std::move(value);
  } else {
    entries.emplace_back(std::string(key), std::move(value));
  }

  std::string content(kHeader);
  content += '\n';
  for (const auto& [name, v] : entries) {
    content += EscapeName(name);
    if (v.is_int) {
      char digits[24];
      std::snprintf(digits, sizeof digits, "=dword:%08x\n", static_cast<std::uint32_t>(v.number));
      content += digits;
    } else {
      content += "=hex:";
      for (std::uint8_t b : v.bytes) {
        content += HexDigit(b >> 4);
        content += HexDigit(b);
      }
      content += '\n';
    }
  }
  std::string error;
  if (!WriteFileAtomically(SectionPath(section), content, 0600, &error)) {
    last_error_ = error;
    return Status::kFailed;
  }
  // Read afresh next time: another process may write the file right after us.
  read_.erase(SectionPath(section));
  return Status::kOk;
}

ProfileStore::Status ProfileStore::GetInt(std::string_view section, std::string_view key,
                                          std::int32_t* value) {
  Value v;
  Status status = Get(section, key, &v);
  if (status != Status::kOk) return status;
  if (!v.is_int) return Status::kAbsent;
  *value = v.number;
  return Status::kOk;
}

ProfileStore::Status ProfileStore::GetBinary(std::string_view section, std::string_view key,
                                             std::vector<std::uint8_t>* value) {
  Value v;
  Status status = Get(section, key, &v);
  if (status != Status::kOk) return status;
  if (v.is_int) return Status::kAbsent;
  *value = std::move(v.bytes);
  return Status::kOk;
}

ProfileStore::Status ProfileStore::SetInt(std::string_view section, std::string_view key,
                                          std::int32_t value) {
  Value v;
  v.number = value;
  return Set(section, key, std::move(v));
}

ProfileStore::Status ProfileStore::SetBinary(std::string_view section, std::string_view key,
                                             std::span<const std::uint8_t> value) {
  Value v;
  v.is_int = false;
  v.bytes.assign(value.begin(), value.end());
  return Set(section, key, std::move(v));
}

namespace {

std::mutex g_root_mutex;
std::string g_company = kCompanyKey;
std::string g_program_name;
std::unique_ptr<ProfileStore> g_store;

}  // namespace

void SetProfileRoot(const std::string& company, const std::string& program_name) {
  std::lock_guard lock(g_root_mutex);
  g_company = company;
  g_program_name = program_name;
  g_store.reset();
}

std::string ProfileDirectory() {
  std::string company, name;
  {
    std::lock_guard lock(g_root_mutex);
    company = g_company;
    name = g_program_name;
  }
  if (name.empty()) name = ExecutableBaseName();
  return ConfigHome() + "/" + company + "/" + name;
}

ProfileStore& Profile() {
  std::string dir = ProfileDirectory();
  std::lock_guard lock(g_root_mutex);
  // Stores are kept for the whole run: callers may still hold a reference
  // when the root (or XDG_CONFIG_HOME, in tests) changes.
  static std::vector<std::unique_ptr<ProfileStore>> retired;
  if (!g_store || g_store->directory() != dir) {
    if (g_store) retired.push_back(std::move(g_store));
    g_store = std::make_unique<ProfileStore>(dir);
  }
  return *g_store;
}

int GetSettingInt(std::string_view section, std::string_view key, int default_value) {
  std::int32_t value;
  return Profile().GetInt(section, key, &value) == ProfileStore::Status::kOk ? value : default_value;
}

bool SetSettingInt(std::string_view section, std::string_view key, int value) {
  return Profile().SetInt(section, key, value) == ProfileStore::Status::kOk;
}

std::optional<std::vector<std::uint8_t>> GetSettingBinary(std::string_view section, std::string_view key) {
  std::vector<std::uint8_t> value;
  if (Profile().GetBinary(section, key, &value) != ProfileStore::Status::kOk) return std::nullopt;
  return value;
}

bool SetSettingBinary(std::string_view section, std::string_view key, std::span<const std::uint8_t> value) {
  return Profile().SetBinary(section, key, value) == ProfileStore::Status::kOk;
}

int GetSettingInt(const ProfileInt& item) {
  return GetSettingInt(item.section, item.key, item.default_value);
}

bool SetSettingOption(const ProfileInt& item, bool on) {
  return SetSettingInt(item.section, item.key, on ? 1 : 0);
}

bool SetTypeEnable(int n, bool state) {
  return SetSettingInt("Setting", "TypeEnable_" + std::to_string(n), state ? 1 : 0);
}

}  // namespace clarivo
