// The program's per-user profile: sections of typed values (32-bit integers
// and binary blobs) under $XDG_CONFIG_HOME/<company>/<program name>/, one file
// per section. Every write is atomic; a damaged file is reported and never
// overwritten unless the user agrees to set it aside.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_stamp.h"

namespace clarivo {

inline constexpr char kCompanyKey[] = "Quorvex-Clarivo";

class ProfileStore {
 public:
  enum class Status {
    kOk,       // read or written
    kAbsent,   // no such value (or a value of another type)
    kDamaged,  // the section's file is damaged and was left as it is
    kFailed,   // the file could not be read or written
  };

  explicit ProfileStore(std::string directory) : directory_(std::move(directory)) {}

  const std::string& directory() const { return directory_; }
  std::string SectionPath(std::string_view section) const;

  Status GetInt(std::string_view section, std::string_view key, std::int32_t* value);
  Status GetBinary(std::string_view section, std::string_view key, std::vector<std::uint8_t>* value);
  Status SetInt(std::string_view section, std::string_view key, std::int32_t value);
  Status SetBinary(std::string_view section, std::string_view key, std::span<const std::uint8_t> value);

  // The reason of the last failure or damage (empty when none).
  std::string last_error() const;

 private:
  struct Value {
    bool is_int = true;
    std::int32_t number = 0;
    std::vector<std::uint8_t> bytes;
  };
  using Section = std::vector<std::pair<std::string, Value>>;

  Status Load(std::string_view section, Section* out);
  Status Set(std::string_view section, std::string_view key, Value value);
  Status Get(std::string_view section, std::string_view key, Value* value);
  Status HandleDamage(const std::string& path, const std::string& reason);

  // A section as read, with its file's stamp then. The pages read the
  // stored scan result (megabytes for a big registry) many times; it is
  // parsed again only when its file has changed since.
  struct ReadSection {
    platform::FileStamp stamp;
    Section entries;
  };

  std::string directory_;
  std::map<std::string, ReadSection> read_;
  mutable std::mutex mutex_;
  std::set<std::string> kept_damaged_;  // files the user chose to leave in place
  std::string last_error_;
};

// The profile root: sets the company key (and, when not empty, the program
// name; by default the executable's name without extension). Done once at
// start-up; tools that read the program's profile pass "Clarivo".
void SetProfileRoot(const std::string& company, const std::string& program_name = {});
// The folder of the profile: $XDG_CONFIG_HOME (else ~/.config)/company/name.
std::string ProfileDirectory();
// The store of the current root.
ProfileStore& Profile();

// The profile operations the pages use.
int GetSettingInt(std::string_view section, std::string_view key, int default_value);
bool SetSettingInt(std::string_view section, std::string_view key, int value);
std::optional<std::vector<std::uint8_t>> GetSettingBinary(std::string_view section, std::string_view key);
bool SetSettingBinary(std::string_view section, std::string_view key, std::span<const std::uint8_t> value);

// The integer values of the profile with their sections and defaults.
struct ProfileInt {
  const char* section;
  const char* key;
  int default_value;
};
inline constexpr ProfileInt kMinimizeToTray{"Setting", "MinimizeToTray", 0};
inline constexpr ProfileInt kCloseToTray{"Setting", "CloseToTray", 1};
inline constexpr ProfileInt kScanWhenStart{"Setting", "ScanWhenStart", 1};
inline constexpr ProfileInt kFixTotal{"Fix", "Total", 0};

// The value, or its default when it is missing.
int GetSettingInt(const ProfileInt& item);
// An option written as 1 (on) or 0 (off); true when written.
bool SetSettingOption(const ProfileInt& item, bool on);

// "TypeEnable_<n>" in "Setting" as 1 or 0; true when written.
bool SetTypeEnable(int n, bool state);

}  // namespace clarivo
