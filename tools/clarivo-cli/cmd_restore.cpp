// clarivo-cli restore N | DIR: imports a restore point of the program's store
// or any backup folder.
#include <cstdio>

#include "tools/clarivo-cli/backup_folder.h"
#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"
#include "tools/clarivo-cli/restore_points.h"

namespace cli {

const std::string_view kRestoreUsage =
    "Usage: clarivo-cli restore [--registry SOURCE] [--backup-dir DIR] N\n"
    "       clarivo-cli restore [--registry SOURCE] DIR\n"
    "Imports restore point N (a number listed by 'clarivo-cli backups'), or the\n"
    "backup folder DIR (a word that is not only digits): DIR/reg.reg\n"
    "(HKEY_LOCAL_MACHINE) and DIR/reg_user.reg (HKEY_CURRENT_USER), those present,\n"
    "with clarivo-regedit. Entries deleted since the backup come back.\n"
    "\n"
    "  --registry SOURCE  the registry to restore into: wine:DIR or a Wine prefix folder\n"
    "  --backup-dir DIR   the restore points under DIR instead of the program's\n"
    "\n"
    "Exit status: 0 restored, 2 usage error, 3 registry cannot be opened,\n"
    "4 the folder holds no backup or an import failed, 6 refused (wineserver running).\n";

int RunRestore(const Options& options) {
  if (!CheckArgumentCount(options, 1, "Usage: clarivo-cli restore [--registry SOURCE] N|DIR\n")) {
    return kExitUsage;
  }
  const std::string& folder = options.arguments.front();
  const std::optional<RegistrySource> source = OpenSourceOrReport(options);
  if (!source) return kExitRegistry;
  if (!source->warning.empty()) {
    PrintError("refusing to restore into " + source->description + ": " + source->warning);
    return kExitRefused;
  }
  if (IsPointNumber(folder)) {
    StoreMessages messages;
    clarivo::RestorePointStore store(StoreFolder(options));
    std::string error;
    const std::optional<int> index = PointIndex(store, folder, &error);
    if (!index) {
      PrintError(error);
      return kExitUsage;
    }
    store.create_mode = false;
    store.restore_index = *index;
    if (!store.Run()) {
      PrintError("restore failed");
      return kExitBackup;
    }
    std::printf("Restored %s from restore point %s (%s)\n", Printable(source->description).c_str(),
                folder.c_str(), Printable(store.PointFolder(store.points()[*index])).c_str());
    return kExitOk;
  }
  std::vector<std::string> imported;
  std::string error;
  const bool ok = ImportBackup(folder, &imported, &error);
  for (const std::string& file : imported) {
    std::printf("Imported %s\n", Printable(folder + "/" + file).c_str());
  }
  if (!ok) {
    PrintError("restore failed: " + error);
    return kExitBackup;
  }
  std::printf("Restored %s from %s\n", Printable(source->description).c_str(), Printable(folder).c_str());
  return kExitOk;
}

}  // namespace cli
