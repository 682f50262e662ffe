// clarivo-cli restore DIR: imports a backup folder made by fix.
#include <cstdio>

#include "tools/clarivo-cli/backup_folder.h"
#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"

namespace cli {

const std::string_view kRestoreUsage =
    "Usage: clarivo-cli restore [--registry SOURCE] DIR\n"
    "Imports the backup folder DIR made by 'clarivo-cli fix': DIR/reg.reg\n"
    "(HKEY_LOCAL_MACHINE) and DIR/reg_user.reg (HKEY_CURRENT_USER), those present,\n"
    "with clarivo-regedit. Entries deleted since the backup come back.\n"
    "\n"
    "  --registry SOURCE  the registry to restore into: wine:DIR or a Wine prefix folder\n"
    "\n"
    "Exit status: 0 restored, 2 usage error, 3 registry cannot be opened,\n"
    "4 the folder holds no backup or an import failed, 6 refused (wineserver running).\n";

int RunRestore(const Options& options) {
  if (!CheckArgumentCount(options, 1, "Usage: clarivo-cli restore [--registry SOURCE] DIR\n")) {
    return kExitUsage;
  }
  const std::string& folder = options.arguments.front();
  const std::optional<RegistrySource> source = OpenSourceOrReport(options);
  if (!source) return kExitRegistry;
  if (!source->warning.empty()) {
    PrintError("refusing to restore into " + source->description + ": " + source->warning);
    return kExitRefused;
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
