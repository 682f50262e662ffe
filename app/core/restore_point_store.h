// The program's registry backups: one folder per restore point, named by the
// time it was taken ("%y%m%d%H%M%S"), holding clarivo-regedit exports of
// HKEY_LOCAL_MACHINE ("reg.reg") and HKEY_CURRENT_USER ("reg_user.reg") and
// the registry they were made from ("source"), and the "list" file of the
// points beside those folders.
//
// Several processes may use one store at once (the program, clarivo-cli): the
// list is read, changed and written under a lock ("list.lock" beside it), and
// each change starts from the list on disk. A folder being written is marked
// by a lock on its ".writing" file; a point folder that is neither listed nor
// being written was left by an interrupted backup (an orphan).
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
inline constexpr char kSourceFileName[] = "source";
inline constexpr char kLockFileSuffix[] = ".lock";
inline constexpr char kWritingMarker[] = ".writing";
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

// How a store exports and imports .reg files. Without one the store runs
// clarivo-regedit, which reads the registry afresh; clarivo-cli hands it the
// registry it already holds, so that a Windows-sized registry is read once.
class IRegistryEditor {
 public:
  // Writes `root` ("HKEY_LOCAL_MACHINE") with everything below it to `file`,
  // whole or not at all.
  virtual bool Export(const std::string& file, const std::string& root, std::string* error) = 0;
  // Imports every file and saves the registry, all or nothing.
  virtual bool Import(const std::vector<std::string>& files, std::string* error) = 0;

 protected:
  ~IRegistryEditor() = default;
};

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
  // The registry the backups are made from and restores go into, as
  // clarivo-regedit is told (CLARIVO_REGISTRY); empty: the default source.
  std::string registry_source;
  // A backup refuses, with the cause, when the registry cannot be written
  // (set for the backup before a fix, which must be able to save).
  bool check_writable = false;
  // A restore into another registry than the point was made from is refused
  // unless this is set (the user confirmed it).
  bool into_other_registry = false;
  // Null: clarivo-regedit does the exports and imports.
  IRegistryEditor* editor = nullptr;
  // False: a failure is not shown here; the caller shows last_error() in a
  // message of its own (the restore page does).
  bool show_failures = true;

  // The registry a point was made from (its "source" file); empty for points
  // made before that was recorded.
  std::string PointSource(const RestorePoint& point) const;
  // The canonical name of the registry restores go into now.
  std::string CurrentSource() const;
  // Why restoring points()[index] into the current registry needs
  // confirmation; empty when it was made from it or its source is unknown.
  std::string SourceMismatch(int index) const;
  // Point folders (full paths, ending in "/") that are not in the list and not
  // being written: left by interrupted backups.
  std::vector<std::string> OrphanFolders() const;
  // Removes one of OrphanFolders(), given by its full path or its name.
  bool DeleteOrphan(const std::string& folder);
  // The text of the last failure shown; empty after a success.
  const std::string& last_error() const { return last_error_; }

  const std::vector<RestorePoint>& points() const { return points_; }
  bool busy() const { return busy_; }
  // Whether the last run (backup or restore) succeeded; true before any run.
  bool last_run_succeeded() const { return last_run_succeeded_; }
  // Whether the last backup taken failed (a fix must then delete nothing).
  bool last_backup_failed() const { return last_backup_failed_; }

 private:
  class ListLock;
  bool CreatePoint();
  bool RestorePointAt(int index);
  // Runs clarivo-regedit with `switches`, `files` and (for an export) `root`
  // and waits for it, or has `editor` do the same; failures are shown.
  bool RunEditor(const std::string& switches, const std::vector<std::string>& files, const std::string& root);
  // Replaces the points with the list on disk (under the lock).
  void ReloadList();
  // Takes a folder of its own for a new point, under the lock: `point` gets
  // its time, `writing` the locked marker's descriptor.
  bool ClaimFolder(RestorePoint* point, int* writing);
  std::string LockPath() const { return ListPath() + kLockFileSuffix; }
  void ShowFailure(const std::string& text);

  std::string folder_;
  std::vector<RestorePoint> points_;
  std::atomic<bool> busy_ = false;
  std::atomic<bool> last_run_succeeded_ = true;
  std::atomic<bool> last_backup_failed_ = false;
  bool list_damaged_ = false;          // the list file on disk was not trusted
  std::vector<RestorePoint> unsaved_;  // made here, but the list could not be written
  std::string last_error_;
};

}  // namespace clarivo
