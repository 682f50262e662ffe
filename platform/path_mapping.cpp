#include "platform/path_mapping.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "platform/text.h"

namespace platform {
namespace {

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

std::u16string Folded(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out) c = FoldCase(c);
  return out;
}

// Paths are nearly always ASCII: those are copied as they are, the rest converted.
std::string Utf8(std::u16string_view text) {
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0x80) return ToUtf8(text);
    out[i] = static_cast<char>(text[i]);
  }
  return out;
}

std::int64_t Nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

constexpr std::size_t kMaxListings = 256;
constexpr std::chrono::seconds kDriveRecheck{2};

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

}  // namespace

WinePathMapper::WinePathMapper(std::string prefix_dir) : prefix_dir_(std::move(prefix_dir)) {}

WinePathMapper::~WinePathMapper() = default;

std::string WinePathMapper::DriveFolder(char letter) const {
  const auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard<std::mutex> lock(cache_mu_);
    const auto it = drives_.find(letter);
    if (it != drives_.end() && now - it->second.checked < kDriveRecheck) return it->second.folder;
  }
  std::string folder;
  const std::string link = prefix_dir_ + "/dosdevices/" + letter + ":";
  if (char* real = realpath(link.c_str(), nullptr)) {
    struct stat st;
    if (stat(real, &st) == 0 && S_ISDIR(st.st_mode)) folder = real;
    free(real);
  }
  std::lock_guard<std::mutex> lock(cache_mu_);
  drives_[letter] = Drive{folder, now};
  return folder;
}

// The entry of `folder` whose name equals `name` without case; empty if none.
// Several candidates (possible on Linux) resolve to the first in byte order.
std::string WinePathMapper::FindNoCase(const std::string& folder, std::u16string_view name) const {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return {};
  std::lock_guard<std::mutex> lock(cache_mu_);
  if (listings_.size() >= kMaxListings && listings_.count(folder) == 0) listings_.clear();
  std::unique_ptr<Listing>& listing = listings_[folder];
  if (!listing || listing->dev != st.st_dev || listing->ino != st.st_ino ||
      listing->mtime_ns != Nanoseconds(st.st_mtim) || listing->ctime_ns != Nanoseconds(st.st_ctim)) {
    auto fresh = std::make_unique<Listing>();
    fresh->dev = st.st_dev;
    fresh->ino = st.st_ino;
    fresh->mtime_ns = Nanoseconds(st.st_mtim);
    fresh->ctime_ns = Nanoseconds(st.st_ctim);
    if (DIR* dir = opendir(folder.c_str())) {
      while (const dirent* entry = readdir(dir)) {
        std::string real = entry->d_name;
        std::string& slot = fresh->by_folded_name[Folded(ToUtf16(real))];
        if (slot.empty() || real < slot) slot = std::move(real);
      }
      closedir(dir);
    }
    listing = std::move(fresh);
  }
  const auto it = listing->by_folded_name.find(Folded(name));
  return it == listing->by_folded_name.end() ? std::string() : it->second;
}

WinePathMapper::Kind WinePathMapper::Split(std::u16string_view windows_path, std::u16string* path,
                                           std::string* root, std::vector<std::u16string_view>* parts) const {
  path->assign(windows_path);
  for (char16_t& c : *path) {
    if (c == u'/') c = u'\\';
  }
  std::u16string_view rest = *path;
  if (StartsWith(rest, u"\\??\\") || StartsWith(rest, u"\\\\?\\")) {
    rest.remove_prefix(4);
    if (rest.size() >= 4 && EqualsNoCase(rest.substr(0, 4), u"UNC\\")) return Kind::kUnc;
  }
  if (StartsWith(rest, u"\\\\")) return Kind::kUnc;
  char16_t letter = u'c';
  if (rest.size() >= 2 && IsLetter(rest[0]) && rest[1] == u':') {
    letter = rest[0];
    rest.remove_prefix(2);
  } else if (rest.find(u':') != std::u16string_view::npos) {
    return Kind::kInvalid;  // "a:b" without a drive letter in front is no path
  }
  const char lower = static_cast<char>(letter >= u'A' && letter <= u'Z' ? letter - u'A' + 'a' : letter);
  *root = DriveFolder(lower);
  if (root->empty()) return Kind::kUnmappedDrive;

  while (!rest.empty()) {
    const std::size_t slash = rest.find(u'\\');
    const std::u16string_view part = rest.substr(0, slash);
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts->empty()) parts->pop_back();
      continue;
    }
    parts->push_back(part);
  }
  return Kind::kMapped;
}

WinePathMapper::Result WinePathMapper::Map(std::u16string_view windows_path) const {
  Result result;
  // A Windows string ends at its first NUL.
  windows_path = windows_path.substr(0, windows_path.find(u'\0'));
  if (windows_path.empty()) return result;
  if (windows_path[0] == u'/' && (windows_path.size() == 1 || windows_path[1] != u'/')) {
    result.kind = Kind::kMapped;
    result.host_path = Utf8(windows_path);
    struct stat st;
    result.exists = stat(result.host_path.c_str(), &st) == 0;
    return result;
  }
  std::u16string path;
  std::string root;
  std::vector<std::u16string_view> parts;
  result.kind = Split(windows_path, &path, &root, &parts);
  if (result.kind != Kind::kMapped) return result;
  // Most paths are written with the case they have on disk: one stat settles
  // them. The path is put together first and converted once.
  std::u16string joined;
  joined.reserve(path.size() + 1);
  for (std::u16string_view part : parts) {
    joined.push_back(u'/');
    joined.append(part);
  }
  std::string host = root;
  if (!joined.empty()) {
    if (host == "/") host.clear();
    host += Utf8(joined);
  }
  struct stat st;
  if (stat(host.c_str(), &st) == 0) {
    result.host_path = std::move(host);
    result.exists = true;
    return result;
  }
  host = root;
  bool searching = true;  // once a component is missing, the rest is appended as written
  for (std::u16string_view part : parts) {
    std::string name = Utf8(part);
    if (searching) {
      struct stat st;
      const std::string exact = Join(host, name);
      if (lstat(exact.c_str(), &st) != 0) {
        const std::string found = FindNoCase(host, part);
        if (found.empty()) {
          searching = false;
        } else {
          name = found;
        }
      }
    }
    host = Join(host, name);
  }
  result.exists = searching && stat(host.c_str(), &st) == 0;
  result.host_path = std::move(host);
  return result;
}

void WinePathMapper::BeginScan() {
  std::lock_guard<std::mutex> lock(cache_mu_);
  ++scan_depth_;
}

void WinePathMapper::EndScan() {
  std::lock_guard<std::mutex> lock(cache_mu_);
  if (scan_depth_ > 0 && --scan_depth_ == 0) {
    found_ = {};
    scan_listings_.clear();
  }
}

const WinePathMapper::Listing* WinePathMapper::ScanListing(const std::string& folder, bool fresh) const {
  auto it = scan_listings_.find(folder);
  struct stat st;
  if (it != scan_listings_.end()) {
    if (!fresh || !it->second) return it->second.get();
    // As fresh as a test of the folder itself: unchanged folders keep their entries.
    const Listing& old = *it->second;
    if (stat(folder.c_str(), &st) == 0 && old.dev == st.st_dev && old.ino == st.st_ino &&
        old.mtime_ns == Nanoseconds(st.st_mtim) && old.ctime_ns == Nanoseconds(st.st_ctim))
      return &old;
  }
  std::unique_ptr<Listing>& slot = scan_listings_[folder];
  slot = nullptr;
  // A folder we may read but not search would list names a test of the
  // path itself cannot find: such folders are tested the usual way.
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || access(folder.c_str(), X_OK) != 0)
    return nullptr;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return nullptr;
  auto fresh_listing = std::make_unique<Listing>();
  fresh_listing->dev = st.st_dev;
  fresh_listing->ino = st.st_ino;
  fresh_listing->mtime_ns = Nanoseconds(st.st_mtim);
  fresh_listing->ctime_ns = Nanoseconds(st.st_ctim);
  while (const dirent* entry = readdir(dir)) {
    std::string real = entry->d_name;
    fresh_listing->by_name.emplace(real, entry->d_type);
    std::string& by_folded = fresh_listing->by_folded_name[Folded(ToUtf16(real))];
    if (by_folded.empty() || real < by_folded) by_folded = std::move(real);
  }
  closedir(dir);
  slot = std::move(fresh_listing);
  return slot.get();
}

std::optional<bool> WinePathMapper::ExistsFromListings(std::string host,
                                                       const std::vector<std::u16string_view>& parts) const {
  if (parts.empty()) return std::nullopt;
  unsigned char type = DT_UNKNOWN;
  for (std::u16string_view part : parts) {
    const std::string name = Utf8(part);
    // Each name as written, else the first entry of the same name without
    // case, as Map finds it.
    for (bool fresh : {false, true}) {
      const Listing* listing = ScanListing(host, fresh);
      if (!listing) return std::nullopt;
      const std::string* real = &name;
      auto exact = listing->by_name.find(name);
      if (exact == listing->by_name.end()) {
        auto folded = listing->by_folded_name.find(Folded(part));
        if (folded != listing->by_folded_name.end()) {
          real = &folded->second;
          exact = listing->by_name.find(*real);
        }
      }
      if (exact != listing->by_name.end()) {
        type = exact->second;
        host = Join(host, *real);
        break;
      }
      // Not there: a missing file is never taken from memory. The listing
      // is made again if the folder changed since it was read.
      if (fresh) return false;
    }
  }
  if (type == DT_REG || type == DT_DIR) return true;
  struct stat st;  // a link (which may lead nowhere) or an entry of no known type
  return stat(host.c_str(), &st) == 0;
}

bool WinePathMapper::Exists(std::u16string_view windows_path) const {
  windows_path = windows_path.substr(0, windows_path.find(u'\0'));
  bool in_scan = false;
  {
    std::lock_guard<std::mutex> lock(cache_mu_);
    in_scan = scan_depth_ > 0;
    if (in_scan && found_.count(std::u16string(windows_path)) != 0) return true;
  }
  std::u16string path;
  std::string root;
  std::vector<std::u16string_view> parts;
  if (in_scan && !windows_path.empty() && windows_path[0] != u'/' &&
      Split(windows_path, &path, &root, &parts) == Kind::kMapped) {
    std::lock_guard<std::mutex> lock(cache_mu_);
    if (scan_depth_ > 0) {
      if (const std::optional<bool> known = ExistsFromListings(root, parts)) {
        if (*known) found_.emplace(windows_path);
        return *known;
      }
    }
  }
  const Result result = Map(windows_path);
  switch (result.kind) {
    case Kind::kMapped:
      if (result.exists) {
        std::lock_guard<std::mutex> lock(cache_mu_);
        if (scan_depth_ > 0) found_.emplace(windows_path);
      }
      return result.exists;
    case Kind::kUnmappedDrive:
    case Kind::kUnc:
      return true;
    case Kind::kInvalid:
      break;
  }
  return false;
}

std::string WinePathMapper::ToHostPath(std::u16string_view windows_path) const {
  Result result = Map(windows_path);
  return result.kind == Kind::kMapped ? std::move(result.host_path) : std::string();
}

}  // namespace platform
