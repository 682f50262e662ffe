// The program's registry backups: one folder per restore point, named by the
// time it was taken ("%y%m%d%H%M%S"), holding clarivo-regedit exports of
// HKEY_LOCAL_MACHINE ("reg.reg") and HKEY_CURRENT_USER ("reg_user.reg"), and
// the "list" file of the points beside those folders.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/core/ole_date.h"

namespace clarivo {

inline constexpr char kListFileName[] = "list";
inline constexpr char kMachineBackupFile[] = "reg.reg";
inline constexpr char kUserBackupFile[] = "reg_user.reg";
inline constexpr char kPointNameFormat[] = "%y%m%d%H%M%S";

struct RestorePoint {
  std::u16string description;  // empty for the points the program makes
  OleDateTime created;         // local time; also names the folder

  bool operator==(const RestorePoint&) const = default;
};

// The begin and end of a backup or restore, called on the store's worker.
class IRegBackupCB {
 public:
  virtual void OnBackupBegin() = 0;  // slot 0
  virtual void OnBackupEnd() = 0;    // slot 1

 protected:
  ~IRegBackupCB() = default;
};

// The list file's bytes: the count (int32), then per point its description as
// an archive string, its status (int32) and its date (double).
std::vector<std::uint8_t> SerializeRestorePoints(std::span<const RestorePoint> points);
// Nothing when the bytes are cut short, carry a count that does not fit the
// data, or go on after the last point.
std::optional<std::vector<RestorePoint>> DeserializeRestorePoints(std::span<const std::uint8_t> bytes);

// The backup root: the ini's "RegBackup" deployment path when it names one,
// else $XDG_DATA_HOME/Quorvex-Clarivo/backups/ (~/.local/share when unset).
std::string DefaultStoreFolder();

class RestorePointStore {
 public:
  // The store of the program: its folder is DefaultStoreFolder().
  static RestorePointStore& GetInstance();

  // A store whose folder is `folder`, used as a prefix (give it a trailing
  // slash for a folder of its own). Reads the list file.
  explicit RestorePointStore(std::string folder);
  RestorePointStore(const RestorePointStore&) = delete;
  RestorePointStore& operator=(const RestorePointStore&) = delete;

  // Starts a detached worker that runs Run(); the store is busy from this call
  // until the worker has ended.
  void StartWorker();
  // Takes a new backup (create_mode) or restores points()[restore_index];
  // true when it succeeded. Failures are shown to the user.
  bool Run();
  // Removes the point's folder and the point, then writes the list.
  bool DeletePoint(int index);
  // Writes the list file; "Fail to create file" when it cannot.
  bool SaveList();
  // Appends the points of the list file; a damaged file is reported and its
  // points are not used.
  void LoadList();

  // The folder of one point: folder + its formatted time + "/"; empty for a
  // point whose time is not valid.
  std::string PointFolder(const RestorePoint& point) const;
  std::string ListPath() const { return folder_ + kListFileName; }
  const std::string& folder() const { return folder_; }

  // Set by the pages before StartWorker.
  IRegBackupCB* listener = nullptr;
  bool create_mode = true;
  int restore_index = 0;

  const std::vector<RestorePoint>& points() const { return points_; }
  bool busy() const { return busy_; }
  // Whether the last run (backup or restore) succeeded; true before any run.
  bool last_run_succeeded() const { return last_run_succeeded_; }
  // Whether the last backup taken failed (a fix must then delete nothing).
  bool last_backup_failed() const { return last_backup_failed_; }

 private:
  bool CreatePoint();
  bool RestorePointAt(int index);
  // Runs clarivo-regedit with `switches`, `file` and (for an export) `root`
  // and waits for it; failures are shown.
  bool RunEditor(const std::string& switches, const std::string& file, const std::string& root);

  std::string folder_;
  std::vector<RestorePoint> points_;
  std::atomic<bool> busy_ = false;
  std::atomic<bool> last_run_succeeded_ = true;
  std::atomic<bool> last_backup_failed_ = false;
  bool list_damaged_ = false;  // the list file on disk was not trusted
};

}  // namespace clarivo
