#include "app/core/restore_point_store.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/core/archive.h"
#include "app/core/atomic_file.h"
#include "app/core/disk_object.h"
#include "app/core/ini.h"
#include "app/core/user_interface.h"
#include "platform/process.h"
#include "platform/text.h"

namespace clarivo {
namespace {

// The smallest a point can be in the list: an empty string (0xFF 0xFE 0xFF
// and one length byte), the status and the date.
constexpr std::size_t kMinPointBytes = 4 + 4 + 8;

void Show(const std::string& text) { UserInterface().MessageBox(platform::ToUtf16(text)); }

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

bool RestorePointStore::RunEditor(const std::string& switches, const std::string& file,
                                  const std::string& root) {
  const std::string tool = platform::ToolPath("clarivo-regedit");
  std::string command = platform::QuoteForShell(tool) + " " + switches + " " + platform::QuoteForShell(file);
  if (!root.empty()) command += " " + root;
  // A bare name means the editor is neither beside the program nor on PATH.
  const platform::RunResult result =
      tool.find('/') == std::string::npos ? platform::RunResult{} : platform::RunHidden(command);
  if (!result.started) {
    Show(command + " create fail");
    return false;
  }
  if (result.exit_code != 0) {
    Show(command + " failed with exit status " + std::to_string(result.exit_code));
    return false;
  }
  if (!root.empty() && !IsNonEmptyFile(file)) {
    Show(command + " left no file " + file);
    return false;
  }
  return true;
}

bool RestorePointStore::CreatePoint() {
  // Each point needs a folder of its own: a second backup within the same
  // second waits for the next one.
  RestorePoint point;
  for (int attempt = 0;; ++attempt) {
    point.created = OleDateNow();
    const std::string name = PointName(point.created);
    bool taken = Exists(folder_ + name);
    for (const RestorePoint& other : points_) taken = taken || PointName(other.created) == name;
    if (!taken) break;
    if (attempt >= 30) {
      Show("Fail to create the backup folder " + folder_ + name + ": it exists already");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const std::string dir = PointFolder(point);
  CDiskObject disk;
  if (!disk.CreateDirectory(dir)) {
    Show("Fail to create the backup folder: " + disk.error());
    return false;
  }
  const bool exported = RunEditor("/e", dir + kMachineBackupFile, "HKEY_LOCAL_MACHINE") &&
                        RunEditor("/e", dir + kUserBackupFile, "HKEY_CURRENT_USER");
  if (!exported) {
    disk.RemoveDirectories(dir);
    return false;
  }
  points_.push_back(point);
  SaveList();
  return true;
}

bool RestorePointStore::RestorePointAt(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= points_.size()) {
    Show("No such restore point");
    return false;
  }
  const std::string dir = PointFolder(points_[static_cast<std::size_t>(index)]);
  if (dir.empty()) {
    Show("The restore point has no valid date, so its folder is unknown");
    return false;
  }
  // Points made before the user's hive was saved too hold only the machine file.
  if (!RunEditor("/s /i", dir + kMachineBackupFile, {})) return false;
  if (Exists(dir + kUserBackupFile) && !RunEditor("/s /i", dir + kUserBackupFile, {})) return false;
  return true;
}

bool RestorePointStore::DeletePoint(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= points_.size()) return false;
  const RestorePoint point = points_[static_cast<std::size_t>(index)];
  // Another point naming the same folder (from lists written before each point
  // had its own) keeps the folder.
  int sharing = 0;
  for (const RestorePoint& other : points_) sharing += PointName(other.created) == PointName(point.created);
  // A point without a valid time names no folder: never the whole store.
  if (sharing == 1 && !PointFolder(point).empty() && Exists(PointFolder(point))) {
    CDiskObject disk;
    disk.RemoveDirectories(PointFolder(point));
  }
  points_.erase(points_.begin() + index);
  return SaveList();
}

}  // namespace clarivo
