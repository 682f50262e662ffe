#include "app/core/restore_point_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/core/archive.h"
#include "app/core/atomic_file.h"
#include "app/core/disk_object.h"
#include "app/core/ini.h"
#include "app/core/user_interface.h"
#include "platform/process.h"
#include "platform/registry_files.h"
#include "platform/text.h"
#include "platform/windows_system.h"

namespace clarivo {
namespace {

// The smallest a point can be in the list: an empty string (0xFF 0xFE 0xFF
// and one length byte), the status and the date.
constexpr std::size_t kMinPointBytes = 4 + 4 + 8;

void Show(const std::string& text) { UserInterface().MessageBox(platform::ToUtf16(text)); }

// Points are the same when every bit is: a date that is not a number is still
// the date of that one point.
bool SamePoint(const RestorePoint& a, const RestorePoint& b) {
  return a.description == b.description && a.created.status == b.created.status &&
         std::bit_cast<std::uint64_t>(a.created.date) == std::bit_cast<std::uint64_t>(b.created.date);
}

bool IsPointName(std::string_view name) {
  return name.size() == 12 && name.find_first_not_of("0123456789") == std::string_view::npos;
}

// True while some process holds the lock of a folder's ".writing" marker.
bool BeingWritten(const std::string& folder) {
  const int fd = open((folder + kWritingMarker).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

bool IsNonEmptyFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// Empty for a time that names no folder (invalid, or outside the years an OLE
// date can hold).
std::string PointName(const OleDateTime& created) {
  if (created.status != kOleDateValid) return {};
  return FormatOleDate(created.date, kPointNameFormat);
}

}  // namespace

std::vector<std::uint8_t> SerializeRestorePoints(std::span<const RestorePoint> points) {
  ArchiveWriter out;
  out.WriteI32(static_cast<std::int32_t>(points.size()));
  for (const RestorePoint& point : points) {
    out.WriteString(point.description);
    out.WriteI32(point.created.status);
    out.WriteDouble(point.created.date);
  }
  return out.Take();
}

std::optional<std::vector<RestorePoint>> DeserializeRestorePoints(std::span<const std::uint8_t> bytes) {
  ArchiveReader in(bytes);
  std::int32_t count = 0;
  if (!in.ReadI32(&count) || count < 0) return std::nullopt;
  // A count the data cannot hold is damage, not a reason to reserve memory.
  if (static_cast<std::size_t>(count) > in.remaining() / kMinPointBytes) return std::nullopt;
  std::vector<RestorePoint> points(static_cast<std::size_t>(count));
  for (RestorePoint& point : points) {
    if (!in.ReadString(&point.description) || !in.ReadI32(&point.created.status) ||
        !in.ReadDouble(&point.created.date)) {
      return std::nullopt;
    }
  }
  if (in.remaining() != 0) return std::nullopt;
  return points;
}

std::string DefaultStoreFolder() {
  // Backups are the user's data: without a deployment path they go to the
  // user's data folder, never into a program folder that may be read-only
  // or shared by several users.
  if (!CIni::GetInstance().GetString("Deploy", "RegBackup").empty()) return GetDeployPath("RegBackup");
  const char* data_home = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data_home != nullptr && data_home[0] == '/') {
    base = data_home;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.local/share";
  }
  return base + "/Quorvex-Clarivo/backups/";
}

RestorePointStore& RestorePointStore::GetInstance() {
  static RestorePointStore store(DefaultStoreFolder());
  return store;
}

RestorePointStore::RestorePointStore(std::string folder) : folder_(std::move(folder)) { LoadList(); }

std::string RestorePointStore::PointFolder(const RestorePoint& point) const {
  const std::string name = PointName(point.created);
  return name.empty() ? std::string() : folder_ + name + "/";
}

// The list's lock: exclusive for a change, shared for a read. A store whose
// folder does not exist yet has nothing to lock, and nothing to read.
class RestorePointStore::ListLock {
 public:
  ListLock(const RestorePointStore& store, bool exclusive) {
    fd_ = open(store.LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) fd_ = open(store.LockPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    while (flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
    }
  }
  ~ListLock() {
    if (fd_ >= 0) close(fd_);
  }
  ListLock(const ListLock&) = delete;
  ListLock& operator=(const ListLock&) = delete;

 private:
  int fd_ = -1;
};

void RestorePointStore::ShowFailure(const std::string& text) {
  last_error_ = text;
  if (show_failures) Show(text);
}

std::string RestorePointStore::CurrentSource() const {
  return platform::CanonicalRegistrySource(registry_source.empty() ? platform::DefaultRegistrySource()
                                                                   : registry_source);
}

std::string RestorePointStore::PointSource(const RestorePoint& point) const {
  const std::string dir = PointFolder(point);
  if (dir.empty()) return {};
  std::optional<std::string> text = ReadWholeFile(dir + kSourceFileName);
  if (!text) return {};
  while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
  return *text;
}

std::string RestorePointStore::SourceMismatch(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= points_.size()) return {};
  const std::string recorded = PointSource(points_[static_cast<std::size_t>(index)]);
  const std::string current = CurrentSource();
  if (recorded.empty() || recorded == current) return {};
  return "the restore point was made from " + recorded + ", not from " + current;
}

void RestorePointStore::ReloadList() {
  std::string error;
  const std::optional<std::string> content = ReadWholeFile(ListPath(), &error);
  if (!content) {
    // Unreadable: keep what we have rather than lose points on a write.
    if (error.empty()) points_.clear();
    return;
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(content->data());
  std::optional<std::vector<RestorePoint>> loaded = DeserializeRestorePoints({data, content->size()});
  if (!loaded) {
    if (!list_damaged_) Show("The list of restore points is damaged and was not used: " + ListPath());
    list_damaged_ = true;
    points_.clear();
    return;
  }
  list_damaged_ = false;
  points_ = std::move(*loaded);
  // Points whose list could not be written stay for this run of the program.
  for (const RestorePoint& kept : unsaved_) {
    if (std::none_of(points_.begin(), points_.end(),
                     [&](const RestorePoint& p) { return SamePoint(p, kept); })) {
      points_.push_back(kept);
    }
  }
}

std::vector<std::string> RestorePointStore::OrphanFolders() const {
  // The folder is a prefix: "DIR/" or "DIR/name" with the points glued on.
  const std::size_t slash = folder_.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : folder_.substr(0, slash + 1);
  const std::string glue = slash == std::string::npos ? folder_ : folder_.substr(slash + 1);
  ListLock lock(*this, false);
  std::vector<std::string> orphans;
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) return orphans;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(listing)) names.emplace_back(entry->d_name);
  closedir(listing);
  std::sort(names.begin(), names.end());
  // The list as it is on disk now, not as this store last read it.
  std::vector<RestorePoint> listed = points_;
  if (std::optional<std::string> content = ReadWholeFile(ListPath())) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(content->data());
    if (auto loaded = DeserializeRestorePoints({data, content->size()})) listed = std::move(*loaded);
  }
  for (const std::string& name : names) {
    if (!name.starts_with(glue) || !IsPointName(std::string_view(name).substr(glue.size()))) continue;
    const std::string path = (slash == std::string::npos ? "" : dir) + name + "/";
    struct stat info {};
    if (lstat(path.substr(0, path.size() - 1).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
    bool in_list = false;
    for (const RestorePoint& point : listed) in_list = in_list || PointFolder(point) == path;
    if (!in_list && !BeingWritten(path)) orphans.push_back(path);
  }
  return orphans;
}

bool RestorePointStore::DeleteOrphan(const std::string& folder) {
  std::string wanted = folder;
  if (!wanted.empty() && wanted.back() != '/') wanted += '/';
  for (const std::string& orphan : OrphanFolders()) {
    const std::string name = orphan.substr(folder_.size());
    if (orphan != wanted && name != wanted) continue;
    ListLock lock(*this, true);
    // Listed or taken up by a backup since it was looked at: not an orphan.
    if (BeingWritten(orphan)) break;
    CDiskObject disk;
    if (!disk.RemoveDirectories(orphan)) {
      ShowFailure("Fail to remove the folder: " + disk.error());
      return false;
    }
    last_error_.clear();
    return true;
  }
  ShowFailure("No folder left by an interrupted backup: " + folder);
  return false;
}

void RestorePointStore::LoadList() {
  std::string error;
  const std::optional<std::string> content = ReadWholeFile(ListPath(), &error);
  if (!content) {
    if (!error.empty()) Show("Fail to read the list of restore points: " + error);
    return;
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(content->data());
  std::optional<std::vector<RestorePoint>> loaded = DeserializeRestorePoints({data, content->size()});
  if (!loaded) {
    list_damaged_ = true;
    Show("The list of restore points is damaged and was not used: " + ListPath());
    return;
  }
  points_.insert(points_.end(), loaded->begin(), loaded->end());
}

bool RestorePointStore::SaveList() {
  // A damaged list is set aside once rather than overwritten, so that it can
  // still be looked at or repaired by hand.
  if (list_damaged_) {
    const std::string aside = ListPath() + ".damaged";
    if (std::rename(ListPath().c_str(), aside.c_str()) == 0) list_damaged_ = false;
  }
  const std::vector<std::uint8_t> bytes = SerializeRestorePoints(points_);
  if (list_damaged_ ||
      !WriteFileAtomically(ListPath(), std::string(bytes.begin(), bytes.end()), 0600, nullptr)) {
    Show("Fail to create file");
    return false;
  }
  return true;
}

void RestorePointStore::StartWorker() {
  busy_ = true;
  std::thread([this] { Run(); }).detach();
}

bool RestorePointStore::Run() {
  busy_ = true;
  if (listener) listener->OnBackupBegin();
  const bool ok = create_mode ? CreatePoint() : RestorePointAt(restore_index);
  last_run_succeeded_ = ok;
  if (create_mode) last_backup_failed_ = !ok;
  if (listener) listener->OnBackupEnd();
  busy_ = false;
  return ok;
}

bool RestorePointStore::RunEditor(const std::string& switches, const std::vector<std::string>& files,
                                  const std::string& root) {
  if (editor != nullptr) {
    std::string error;
    const bool ok =
        root.empty() ? editor->Import(files, &error) : editor->Export(files.front(), root, &error);
    if (!ok) {
      ShowFailure((root.empty() ? "Fail to restore the registry: " : "Fail to back up " + root + ": ") +
                  error);
      return false;
    }
    if (!root.empty() && !IsNonEmptyFile(files.front())) {
      ShowFailure("The export of " + root + " left no file " + files.front());
      return false;
    }
    return true;
  }
  const std::string tool = platform::ToolPath("clarivo-regedit");
  std::string command = platform::QuoteForShell(tool) + " " + switches;
  for (const std::string& file : files) command += " " + platform::QuoteForShell(file);
  if (!root.empty()) command += " " + root;
  if (!registry_source.empty()) {
    command = "CLARIVO_REGISTRY=" + platform::QuoteForShell(registry_source) + " " + command;
  }
  // A bare name means the editor is neither beside the program nor on PATH.
  const platform::RunResult result =
      tool.find('/') == std::string::npos ? platform::RunResult{} : platform::RunHidden(command);
  if (!result.started) {
    ShowFailure(command + " create fail");
    return false;
  }
  if (result.exit_code != 0) {
    ShowFailure(command + " failed with exit status " + std::to_string(result.exit_code));
    return false;
  }
  if (!root.empty() && !IsNonEmptyFile(files.front())) {
    ShowFailure(command + " left no file " + files.front());
    return false;
  }
  return true;
}

bool RestorePointStore::ClaimFolder(RestorePoint* point, int* writing) {
  // Each point needs a folder of its own: a second backup within the same
  // second (of this process or another) waits for the next one. mkdir is the
  // claim; the list lock keeps the marker's lock and the folder together.
  ListLock lock(*this, true);
  ReloadList();
  for (int attempt = 0;; ++attempt) {
    point->created = OleDateNow();
    const std::string name = PointName(point->created);
    bool taken = Exists(folder_ + name);
    for (const RestorePoint& other : points_) taken = taken || PointName(other.created) == name;
    if (!taken) {
      if (mkdir((folder_ + name).c_str(), 0700) == 0) break;
      if (errno != EEXIST) {
        ShowFailure("Fail to create the backup folder " + folder_ + name + ": " + std::strerror(errno));
        return false;
      }
    }
    if (attempt >= 30) {
      ShowFailure("Fail to create the backup folder " + folder_ + name + ": it exists already");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const std::string dir = PointFolder(*point);
  *writing = open((dir + kWritingMarker).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (*writing < 0 || flock(*writing, LOCK_EX) != 0) {
    const int err = errno;
    ShowFailure("Fail to create " + dir + kWritingMarker + ": " + std::strerror(err));
    if (*writing >= 0) close(*writing);
    *writing = -1;
    CDiskObject().RemoveDirectories(dir);
    return false;
  }
  return true;
}

bool RestorePointStore::CreatePoint() {
  last_error_.clear();
  const std::string source = CurrentSource();
  if (check_writable) {
    if (const std::string problem = platform::RegistryWriteProblem(source); !problem.empty()) {
      ShowFailure("The registry cannot be changed, so no restore point was made: " + problem);
      return false;
    }
  }
  // The folder the points go in (the store's folder is a prefix of their names).
  const std::string root =
      folder_.rfind('/') == std::string::npos ? "." : folder_.substr(0, folder_.rfind('/') + 1);
  CDiskObject disk;
  if (!disk.CreateDirectory(root)) {
    ShowFailure("Fail to create the backup folder: " + disk.error());
    return false;
  }
  RestorePoint point;
  int writing = -1;
  if (!ClaimFolder(&point, &writing)) return false;
  const std::string dir = PointFolder(point);
  std::string error;
  bool ok = WriteFileAtomically(dir + kSourceFileName, source + "\n", 0600, &error);
  if (!ok) ShowFailure("Fail to record the registry of the restore point: " + error);
  ok = ok && RunEditor("/e", {dir + kMachineBackupFile}, "HKEY_LOCAL_MACHINE") &&
       RunEditor("/e", {dir + kUserBackupFile}, "HKEY_CURRENT_USER");
  if (ok) {
    ListLock lock(*this, true);
    ReloadList();
    points_.push_back(point);
    if (!SaveList()) unsaved_.push_back(point);
    unlink((dir + kWritingMarker).c_str());
  } else {
    disk.RemoveDirectories(dir);
  }
  close(writing);
  return ok;
}

bool RestorePointStore::RestorePointAt(int index) {
  last_error_.clear();
  if (index < 0 || static_cast<std::size_t>(index) >= points_.size()) {
    ShowFailure("No such restore point");
    return false;
  }
  const std::string dir = PointFolder(points_[static_cast<std::size_t>(index)]);
  if (dir.empty()) {
    ShowFailure("The restore point has no valid date, so its folder is unknown");
    return false;
  }
  if (const std::string mismatch = SourceMismatch(index); !mismatch.empty() && !into_other_registry) {
    ShowFailure("Refusing to restore: " + mismatch + ". Confirm to restore it there all the same.");
    return false;
  }
  // Every file is there and readable before anything changes; the editor
  // then imports them in one step, all or nothing.
  std::vector<std::string> files = {dir + kMachineBackupFile};
  // Points made before the user's hive was saved too hold only the machine file.
  if (Exists(dir + kUserBackupFile)) files.push_back(dir + kUserBackupFile);
  for (const std::string& file : files) {
    if (access(file.c_str(), R_OK) != 0) {
      ShowFailure("Fail to restore from " + file + ": " + std::strerror(errno));
      return false;
    }
  }
  if (const std::string problem = platform::RegistryWriteProblem(CurrentSource()); !problem.empty()) {
    ShowFailure("The registry cannot be restored: " + problem);
    return false;
  }
  return RunEditor("/s /i", files, {});
}

bool RestorePointStore::DeletePoint(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= points_.size()) return false;
  const RestorePoint point = points_[static_cast<std::size_t>(index)];
  ListLock lock(*this, true);
  // Another process may have changed the list since it was read: the point is
  // looked for where it was, then anywhere.
  ReloadList();
  std::size_t at = static_cast<std::size_t>(index);
  if (at >= points_.size() || !SamePoint(points_[at], point)) {
    at = 0;
    while (at < points_.size() && !SamePoint(points_[at], point)) ++at;
    if (at == points_.size()) {
      ShowFailure("The restore point is no longer in the list " + ListPath());
      return false;
    }
  }
  // Another point naming the same folder (from lists written before each point
  // had its own) keeps the folder.
  int sharing = 0;
  for (const RestorePoint& other : points_) sharing += PointName(other.created) == PointName(point.created);
  // A point without a valid time names no folder: never the whole store.
  if (sharing == 1 && !PointFolder(point).empty() && Exists(PointFolder(point))) {
    CDiskObject disk;
    disk.RemoveDirectories(PointFolder(point));
  }
  points_.erase(points_.begin() + static_cast<std::ptrdiff_t>(at));
  std::erase_if(unsaved_, [&](const RestorePoint& p) { return SamePoint(p, point); });
  return SaveList();
}

}  // namespace clarivo
