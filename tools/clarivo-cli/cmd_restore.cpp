// clarivo-cli restore N | DIR: imports a restore point of the program's store
// or any backup folder.
#include <cstdio>
#include <filesystem>

#include "platform/registry_files.h"
#include "tools/clarivo-cli/backup_folder.h"
#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"
#include "tools/clarivo-cli/json_output.h"
#include "tools/clarivo-cli/registry_editor.h"
#include "tools/clarivo-cli/registry_source.h"
#include "tools/clarivo-cli/restore_points.h"

namespace cli {

const std::string_view kRestoreUsage =
    "Usage: clarivo-cli restore [--registry SOURCE] [--backup-dir DIR] [--into-other-registry] [--json] N\n"
    "       clarivo-cli restore [--registry SOURCE] [--into-other-registry] [--json] DIR\n"
    "Imports restore point N (a number listed by 'clarivo-cli backups'), or the\n"
    "backup folder DIR (a word that is not only digits): DIR/reg.reg\n"
    "(HKEY_LOCAL_MACHINE) and DIR/reg_user.reg (HKEY_CURRENT_USER), those present.\n"
    "Both files are imported in one step, all or nothing: a fault in either changes\n"
    "nothing, and the registry files are each replaced whole, so an interrupted\n"
    "restore leaves the registry as it was or fully restored.\n"
    "What was deleted since the backup comes back and changed values get their old\n"
    "data; keys and values added since the backup stay.\n"
    "\n"
    "  --registry SOURCE       the registry to restore into: wine:DIR, a Wine prefix\n"
    "                          folder, or the number or name of a prefix listed by\n"
    "                          'clarivo-cli prefixes'\n"
    "  --backup-dir DIR        the restore points under DIR instead of the program's\n"
    "  --into-other-registry   restore even though the backup was made from another\n"
    "                          registry (a restore point records the one it was made from)\n"
    "  --json                  print one JSON document on standard output\n"
    "\n"
    "Exit status: 0 restored, 2 usage error or no such point, 3 registry cannot be\n"
    "opened, 4 the folder holds no backup or the import failed (nothing changed),\n"
    "6 refused (the backup is of another registry, a wineserver runs, or the\n"
    "registry files cannot be written).\n";

int RunRestore(const Options& options) {
  if (!CheckArgumentCount(options, 1,
                          "Usage: clarivo-cli restore [--registry SOURCE] [--into-other-registry] N|DIR\n")) {
    return kExitUsage;
  }
  const std::string& word = options.arguments.front();
  const std::optional<RegistrySource> source = OpenSourceOrReport(options);
  if (!source) return kExitRegistry;
  if (!source->warning.empty()) {
    PrintError("refusing to restore into " + source->description + ": " + source->warning);
    return kExitRefused;
  }

  StoreMessages messages;
  std::optional<clarivo::RestorePointStore> store;
  std::optional<int> index;
  std::string folder, recorded, error;
  if (IsPointNumber(word)) {
    store.emplace(StoreFolder(options));
    store->registry_source = source->spec;
    index = PointIndex(*store, word, &error);
    if (!index) {
      PrintError(error);
      return kExitUsage;
    }
    const clarivo::RestorePoint& point = store->points()[static_cast<std::size_t>(*index)];
    folder = store->PointFolder(point);
    recorded = store->PointSource(point);
  } else {
    folder = std::filesystem::absolute(word).lexically_normal().string();
    recorded = RecordedSource(folder);
  }

  std::vector<std::string> files;
  if (!BackupFiles(folder, &files, &error)) {
    PrintError("restore failed: " + error);
    return kExitBackup;
  }
  const std::string current = platform::CanonicalRegistrySource(source->spec);
  if (!recorded.empty() && recorded != current && !options.into_other_registry) {
    PrintError("refusing to restore into " + source->description + ": the backup " + folder +
               " was made from " + recorded +
               " (pass --into-other-registry to restore it there all the same)");
    return kExitRefused;
  }
  if (const std::string problem = platform::RegistryWriteProblem(source->spec); !problem.empty()) {
    PrintError("refusing to restore into " + source->description + ": " + problem);
    return kExitRefused;
  }

  // Ctrl-C waits for the import under way, which changes the registry whole
  // or not at all, and then reports how it ended.
  StopRequest stop;
  // The import goes into the registry just opened, not read again.
  HeldRegistryEditor editor(OpenedRegistry()->registry());
  if (store) {
    store->editor = &editor;
    store->create_mode = false;
    store->restore_index = *index;
    store->into_other_registry = options.into_other_registry;
    if (!store->Run()) {
      PrintError("restore failed, nothing was changed");
      return kExitBackup;
    }
  } else if (!editor.Import(files, &error)) {
    PrintError("restore failed, nothing was changed: " + error);
    return kExitBackup;
  }

  if (options.json) {
    std::string doc = "{\"registry\": " + JsonString(source->description) +
                      ", \"restore_point\": " + (index ? std::to_string(*index + 1) : std::string("null")) +
                      ", \"folder\": " + JsonString(folder) +
                      ", \"made_from\": " + (recorded.empty() ? std::string("null") : JsonString(recorded)) +
                      ", \"files\": [";
    for (std::size_t i = 0; i < files.size(); ++i) doc += (i ? ", " : "") + JsonString(files[i]);
    std::printf("%s]}\n", doc.c_str());
    return kExitOk;
  }
  for (const std::string& file : files) std::printf("Imported %s\n", Printable(file).c_str());
  if (index) {
    std::printf("Restored %s from restore point %s (%s)\n", Printable(source->description).c_str(),
                word.c_str(), Printable(folder).c_str());
  } else {
    std::printf("Restored %s from %s\n", Printable(source->description).c_str(), Printable(folder).c_str());
  }
  return kExitOk;
}

}  // namespace cli
