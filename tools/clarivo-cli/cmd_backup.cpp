// clarivo-cli backup, backups and delete N: the program's restore points.
#include <sys/stat.h>

#include <cstdio>

#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"
#include "tools/clarivo-cli/restore_points.h"

namespace cli {
namespace {

constexpr std::string_view kStoreNote =
    "Restore points live in the backup folder of the program Clarivo beside\n"
    "clarivo-cli (the \"RegBackup\" path of its Clarivo.ini, else\n"
    "$XDG_DATA_HOME/Quorvex-Clarivo/backups/), or under --backup-dir DIR: one\n"
    "folder per point named YYMMDDhhmmss\n"
    "(local time) holding reg.reg (HKEY_LOCAL_MACHINE) and reg_user.reg\n"
    "(HKEY_CURRENT_USER), and the file \"list\" of the points.\n";

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

const std::string kBackupUsageText =
    std::string(
        "Usage: clarivo-cli backup [--registry SOURCE] [--backup-dir DIR]\n"
        "Exports HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER into a new restore "
        "point.\n\n") +
    std::string(kStoreNote) +
    "\nExit status: 0 done, 2 usage error, 3 registry cannot be opened, 4 "
    "backup failed.\n";
const std::string_view kBackupUsage = kBackupUsageText;

const std::string kBackupsUsageText = std::string(
                                          "Usage: clarivo-cli backups [--backup-dir DIR]\n"
                                          "Lists the restore points with their numbers, oldest first.\n\n") +
                                      std::string(kStoreNote);
const std::string_view kBackupsUsage = kBackupsUsageText;

const std::string kDeleteUsageText = std::string(
                                         "Usage: clarivo-cli delete [--backup-dir DIR] N\n"
                                         "Deletes restore point N (see 'clarivo-cli backups') and its "
                                         "folder.\n\n") +
                                     std::string(kStoreNote) +
                                     "\nExit status: 0 deleted, 2 usage error or no such point, 4 the list "
                                     "cannot be written.\n";
const std::string_view kDeleteUsage = kDeleteUsageText;

int RunBackup(const Options& options) {
  if (!CheckArgumentCount(options, 0, "Usage: clarivo-cli backup [--registry SOURCE] [--backup-dir DIR]\n")) {
    return kExitUsage;
  }
  const std::optional<RegistrySource> source = OpenSourceOrReport(options);
  if (!source) return kExitRegistry;
  StoreMessages messages;
  clarivo::RestorePointStore store(StoreFolder(options));
  store.create_mode = true;
  if (!store.Run()) {
    PrintError("backup failed");
    return kExitBackup;
  }
  std::printf("Restore point %zu: %s\n", store.points().size(),
              Printable(store.PointFolder(store.points().back())).c_str());
  return kExitOk;
}

int RunBackups(const Options& options) {
  if (!CheckArgumentCount(options, 0, "Usage: clarivo-cli backups [--backup-dir DIR]\n")) return kExitUsage;
  StoreMessages messages;
  clarivo::RestorePointStore store(StoreFolder(options));
  if (store.points().empty()) {
    std::printf("No restore points in %s\n", Printable(store.folder()).c_str());
    return kExitOk;
  }
  std::printf("Restore points in %s\n", Printable(store.folder()).c_str());
  for (std::size_t i = 0; i < store.points().size(); ++i) {
    const clarivo::RestorePoint& point = store.points()[i];
    const std::string folder = store.PointFolder(point);
    std::printf("%3zu  %s  %s%s\n", i + 1, PointTime(point).c_str(), Printable(folder).c_str(),
                IsFolder(folder) ? "" : "  (folder missing)");
  }
  return kExitOk;
}

int RunDelete(const Options& options) {
  if (!CheckArgumentCount(options, 1, "Usage: clarivo-cli delete [--backup-dir DIR] N\n")) return kExitUsage;
  StoreMessages messages;
  clarivo::RestorePointStore store(StoreFolder(options));
  std::string error;
  const std::optional<int> index = PointIndex(store, options.arguments.front(), &error);
  if (!index) {
    PrintError(error);
    return kExitUsage;
  }
  const std::string folder = store.PointFolder(store.points()[static_cast<std::size_t>(*index)]);
  if (!store.DeletePoint(*index)) return kExitBackup;
  std::printf("Deleted restore point %s: %s\n", options.arguments.front().c_str(), Printable(folder).c_str());
  return kExitOk;
}

}  // namespace cli
