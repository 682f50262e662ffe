// Windows paths of a Wine prefix mapped to Linux paths: "X:\..." goes through
// the prefix's dosdevices/x: link; a component not found with its exact case
// is matched without case, as Windows does.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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
    bool exists = false;    // kMapped only: a file or folder is there
  };

  explicit WinePathMapper(std::string prefix_dir);
  ~WinePathMapper();

  // Maps a Windows path. Accepts "\??\" and "\\?\" prefixes and forward
  // slashes; a path without drive counts from the root of drive C:. An
  // absolute Linux path ("/usr/...") is taken as it is.
  Result Map(std::u16string_view windows_path) const;
  // True for an existing file or folder; also for an unmapped drive and a UNC
  // path, which cannot be checked.
  bool Exists(std::u16string_view windows_path) const;
  // The Linux path, or empty when the path maps nowhere.
  std::string ToHostPath(std::u16string_view windows_path) const;

  // While a scan runs (calls nest), Exists remembers the paths it found (a
  // scan asks for the same program hundreds of times) and answers from one
  // listing per folder, read once in the scan, instead of testing each path
  // part by part. A name missing from a listing counts as missing only if
  // the folder is unchanged since it was listed (else it is listed again),
  // so a missing path is as fresh as a test of it. All of it is dropped when
  // the outermost scan ends.
  void BeginScan();
  void EndScan();

  const std::string& prefix_dir() const { return prefix_dir_; }

 private:
  // Folder listings for matching names without case, kept while the folder
  // is unchanged (same inode and change times): a scan tests thousands of
  // missing files in a handful of folders.
  struct Listing {
    std::uint64_t dev = 0, ino = 0;
    std::int64_t mtime_ns = 0, ctime_ns = 0;
    std::unordered_map<std::u16string, std::string> by_folded_name;
    // Within a scan also each entry's own name and type (DT_*).
    std::unordered_map<std::string, unsigned char> by_name;
  };
  std::string FindNoCase(const std::string& folder, std::u16string_view name) const;
  // Exists for a path below a drive folder, answered within a scan from
  // listings of the folders on the way (one read per folder and scan); empty
  // when a folder cannot be read or searched, and the path must be tested.
  std::optional<bool> ExistsFromListings(std::string host,
                                         const std::vector<std::u16string_view>& parts) const;
  // The listing of `folder` made in this scan (made now if there is none,
  // or if `fresh` and the folder has changed since); null if it cannot be read.
  const Listing* ScanListing(const std::string& folder, bool fresh) const;
  // `windows_path` taken apart: its kind (kMapped when it is below a drive
  // folder, given in `root`) and its parts, which point into `path`.
  Kind Split(std::u16string_view windows_path, std::u16string* path, std::string* root,
             std::vector<std::u16string_view>* parts) const;
  // The real folder behind a drive letter, or empty when it leads nowhere;
  // remembered for a moment, as a scan asks for it thousands of times.
  std::string DriveFolder(char letter) const;

  std::string prefix_dir_;
  mutable std::mutex cache_mu_;
  mutable std::unordered_map<std::string, std::unique_ptr<Listing>> listings_;
  struct Drive {
    std::string folder;
    std::chrono::steady_clock::time_point checked;
  };
  mutable std::unordered_map<char, Drive> drives_;
  int scan_depth_ = 0;  // guarded by cache_mu_, as is found_
  mutable std::unordered_set<std::u16string> found_;
  mutable std::unordered_map<std::string, std::unique_ptr<Listing>> scan_listings_;  // also under cache_mu_
};

}  // namespace platform
