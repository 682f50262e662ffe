// The program's ini file beside the executable ("<executable>.ini"): read-only
// deployment settings, read anew on every access with the Windows
// profile-string rules (sections and keys without regard to case, blanks
// around keys and values dropped, one pair of surrounding quotes removed,
// a missing file or key giving the empty text).
#pragma once

#include <cstddef>
#include <string>

namespace clarivo {

class CIni {
 public:
  explicit CIni(std::string path) : path_(std::move(path)) {}
  virtual ~CIni() = default;

  // The one instance, for the ini file of the running executable.
  static CIni& GetInstance();

  const std::string& path() const { return path_; }

  // The key's text; empty for a null section or key, a missing key or file.
  std::string GetString(const char* section, const char* key) const;
  // The text converted as an unsigned decimal number taken as signed 32-bit;
  // `default_value` when the text is empty.
  int GetInt(const char* section, const char* key, int default_value) const;
  // The value of `key` in section "Menu".
  std::string GetMenuAddress(const char* key) const;

  // One read with a buffer of `buffer_units` UTF-16 code units, truncated to
  // buffer_units - 1 as the Windows reader does; answers the length read.
  std::size_t ReadInto(const char* section, const char* key, std::size_t buffer_units,
                       std::u16string* out) const;

 private:
  std::string path_;
};

// The ini file of the running executable: its folder, its name without the
// extension, and ".ini".
std::string IniPath();

// A path from section "Deploy" made absolute: leading "..\" climb from the
// executable's folder, a leading ".\" is dropped, the rest is appended after
// one separator (backslashes become slashes). A missing key gives the
// executable's folder with a trailing slash. An absolute value is used as is.
std::string GetDeployPath(const char* key);

// The unsigned decimal conversion of GetInt on one text (exposed for tests).
int ParseIniInt(std::u16string_view text);

}  // namespace clarivo
