// clarivo-cli backup, backups and delete N: the program's restore points.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"
#include "tools/clarivo-cli/json_output.h"
#include "tools/clarivo-cli/registry_editor.h"
#include "tools/clarivo-cli/registry_source.h"
#include "tools/clarivo-cli/restore_points.h"

namespace cli {
namespace {

constexpr std::string_view kStoreNote =
    "Restore points live in the backup folder of the program Clarivo beside\n"
    "clarivo-cli (the \"RegBackup\" path of its Clarivo.ini, else\n"
    "$XDG_DATA_HOME/Quorvex-Clarivo/backups/), or under --backup-dir DIR: one\n"
    "folder per point named YYMMDDhhmmss\n"
    "(local time) holding reg.reg (HKEY_LOCAL_MACHINE), reg_user.reg\n"
    "(HKEY_CURRENT_USER) and source (the registry they were exported from), and\n"
    "the file \"list\" of the points. Any number of backups may run at once.\n";

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

const std::string kBackupUsageText =
    std::string(
        "Usage: clarivo-cli backup [--registry SOURCE] [--backup-dir DIR] [--json]\n"
        "Exports HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER into a new restore "
        "point.\n--json prints one JSON document on standard output.\n\n") +
    std::string(kStoreNote) +
    "\nExit status: 0 done, 2 usage error, 3 registry cannot be opened, 4 "
    "backup failed.\n";
const std::string_view kBackupUsage = kBackupUsageText;

const std::string kBackupsUsageText =
    std::string(
        "Usage: clarivo-cli backups [--backup-dir DIR] [--json]\n"
        "Lists the restore points with their numbers, oldest first, and the\n"
        "registry each was made from; then the folders left by interrupted\n"
        "backups, which are no restore points ('clarivo-cli delete NAME'\n"
        "removes one). --json prints one JSON document instead.\n\n") +
    std::string(kStoreNote);
const std::string_view kBackupsUsage = kBackupsUsageText;

const std::string kDeleteUsageText = std::string(
                                         "Usage: clarivo-cli delete [--backup-dir DIR] [--yes] N|NAME\n"
                                         "Deletes restore point N (see 'clarivo-cli backups') and its "
                                         "folder,\nor the folder NAME left by an interrupted backup. On a "
                                         "terminal it asks\nfirst unless --yes is given.\n\n") +
                                     std::string(kStoreNote) +
                                     "\nExit status: 0 deleted, 2 usage error or no such point, 4 the list "
                                     "cannot be written,\n6 not confirmed.\n";
const std::string_view kDeleteUsage = kDeleteUsageText;

int RunBackup(const Options& options) {
  if (!CheckArgumentCount(options, 0, "Usage: clarivo-cli backup [--registry SOURCE] [--backup-dir DIR]\n")) {
    return kExitUsage;
  }
  const std::optional<RegistrySource> source = OpenSourceOrReport(options);
  if (!source) return kExitRegistry;
  StoreMessages messages;
  clarivo::RestorePointStore store(StoreFolder(options));
  // The exports are made from the registry just opened, not read again.
  HeldRegistryEditor editor(OpenedRegistry()->registry());
  store.editor = &editor;
  store.registry_source = source->spec;
  store.create_mode = true;
  // Ctrl-C waits for the export under way, so that no unlisted folder stays.
  StopRequest stop;
  if (!store.Run()) {
    PrintError("backup failed");
    return kExitBackup;
  }
  if (StopRequest::requested()) PrintWarning("stop requested: the backup under way was finished first");
  // Ours was appended last to the list as it is now, whatever other backups added.
  std::size_t number = store.points().size();
  const std::string folder = store.PointFolder(store.points().back());
  if (options.json) {
    std::printf("{\"restore_point\": %zu, \"folder\": %s, \"registry\": %s}\n", number,
                JsonString(folder).c_str(), JsonString(store.PointSource(store.points().back())).c_str());
    return kExitOk;
  }
  std::printf("Restore point %zu: %s\n", number, Printable(folder).c_str());
  return kExitOk;
}

int RunBackups(const Options& options) {
  if (!CheckArgumentCount(options, 0, "Usage: clarivo-cli backups [--backup-dir DIR]\n")) return kExitUsage;
  StoreMessages messages;
  clarivo::RestorePointStore store(StoreFolder(options));
  const std::vector<std::string> orphans = store.OrphanFolders();
  if (options.json) {
    std::string doc = "{\"folder\": " + JsonString(store.folder()) + ", \"restore_points\": [";
    for (std::size_t i = 0; i < store.points().size(); ++i) {
      const clarivo::RestorePoint& point = store.points()[i];
      const std::string folder = store.PointFolder(point);
      const std::string made_from = store.PointSource(point);
      doc += std::string(i ? ", " : "") + "{\"number\": " + std::to_string(i + 1) +
             ", \"created\": " + JsonString(PointTime(point)) + ", \"folder\": " + JsonString(folder) +
             ", \"folder_exists\": " + (IsFolder(folder) ? "true" : "false") +
             ", \"registry\": " + (made_from.empty() ? std::string("null") : JsonString(made_from)) + "}";
    }
    doc += "], \"interrupted_backups\": [";
    for (std::size_t i = 0; i < orphans.size(); ++i) doc += (i ? ", " : "") + JsonString(orphans[i]);
    std::printf("%s]}\n", doc.c_str());
    return kExitOk;
  }
  if (store.points().empty()) {
    std::printf("No restore points in %s\n", Printable(store.folder()).c_str());
  } else {
    std::printf("Restore points in %s\n", Printable(store.folder()).c_str());
  }
  for (std::size_t i = 0; i < store.points().size(); ++i) {
    const clarivo::RestorePoint& point = store.points()[i];
    const std::string folder = store.PointFolder(point);
    const std::string made_from = store.PointSource(point);
    std::printf("%3zu  %s  %s%s\n     from %s\n", i + 1, PointTime(point).c_str(), Printable(folder).c_str(),
                IsFolder(folder) ? "" : "  (folder missing)",
                made_from.empty() ? "(registry not recorded)" : Printable(made_from).c_str());
  }
  if (!orphans.empty()) {
    std::printf("Left by interrupted backups (no restore points; 'clarivo-cli delete NAME' removes one):\n");
    for (const std::string& orphan : orphans) {
      std::printf("     %s  %s\n", Printable(orphan.substr(store.folder().size(), 12)).c_str(),
                  Printable(orphan).c_str());
    }
  }
  return kExitOk;
}

int RunDelete(const Options& options) {
  if (!CheckArgumentCount(options, 1, "Usage: clarivo-cli delete [--backup-dir DIR] [--yes] N|NAME\n")) {
    return kExitUsage;
  }
  StoreMessages messages;
  clarivo::RestorePointStore store(StoreFolder(options));
  const std::string& word = options.arguments.front();
  const bool ask = !options.yes && isatty(STDIN_FILENO);
  if (!IsPointNumber(word)) {
    // A folder an interrupted backup left, by its name or path.
    for (const std::string& orphan : store.OrphanFolders()) {
      if (orphan.substr(store.folder().size(), 12) != word && orphan != word && orphan != word + "/")
        continue;
      if (ask &&
          !AskOnTerminal("Delete the folder " + Printable(orphan) + " left by an interrupted backup?")) {
        std::printf("Nothing was deleted.\n");
        return kExitRefused;
      }
      if (!store.DeleteOrphan(orphan)) return kExitBackup;
      std::printf("Deleted %s\n", Printable(orphan).c_str());
      return kExitOk;
    }
  }
  std::string error;
  const std::optional<int> index = PointIndex(store, word, &error);
  if (!index) {
    PrintError(error);
    return kExitUsage;
  }
  const clarivo::RestorePoint& point = store.points()[static_cast<std::size_t>(*index)];
  const std::string folder = store.PointFolder(point);
  if (ask && !AskOnTerminal("Delete restore point " + word + " of " + PointTime(point) + " (" +
                            Printable(folder) + ")?")) {
    std::printf("Nothing was deleted.\n");
    return kExitRefused;
  }
  if (!store.DeletePoint(*index)) return kExitBackup;
  std::printf("Deleted restore point %s: %s\n", word.c_str(), Printable(folder).c_str());
  return kExitOk;
}

}  // namespace cli
