// Windows paths of a Wine prefix mapped to Linux paths: "X:\..." goes through
// the prefix's dosdevices/x: link; a component not found with its exact case
// is matched without case, as Windows does.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class WinePathMapper {
 public:
  enum class Kind {
    kMapped,         // a Linux path could be given
    kUnmappedDrive,  // the drive letter leads nowhere (no link, or its target is gone)
    kUnc,            // \\server\share\... (or another path we cannot check)
    kInvalid,        // empty, or not a path at all
  };
  struct Result {
    Kind kind = Kind::kInvalid;
    std::string host_path;  // kMapped only
  };

  explicit WinePathMapper(std::string prefix_dir);

  // Maps a Windows path. Accepts "\??\" and "\\?\" prefixes and forward
  // slashes; a path without drive counts from the root of drive C:. An
  // absolute Linux path ("/usr/...") is taken as it is.
  Result Map(std::u16string_view windows_path) const;
  // True for an existing file or folder; also for an unmapped drive and a UNC
  // path, which cannot be checked.
  bool Exists(std::u16string_view windows_path) const;
  // The Linux path, or empty when the path maps nowhere.
  std::string ToHostPath(std::u16string_view windows_path) const;

  const std::string& prefix_dir() const { return prefix_dir_; }

 private:
  std::string prefix_dir_;
};

}  // namespace platform
