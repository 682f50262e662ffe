// Backup folders of clarivo-cli: one new folder per backup, named by local
// time "%y%m%d%H%M%S", holding clarivo-regedit exports of both hives.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

inline constexpr const char* kMachineFile = "reg.reg";    // HKEY_LOCAL_MACHINE
inline constexpr const char* kUserFile = "reg_user.reg";  // HKEY_CURRENT_USER

// $XDG_DATA_HOME/Quorvex-Clarivo/backups (XDG_DATA_HOME unset, empty or
// relative: ~/.local/share), without a trailing slash.
std::string DefaultBackupRoot();

// Creates `path` and every missing parent (mode 0700). False with `error`.
bool MakeDirectories(const std::string& path, std::string* error);

// Creates a new folder under `root` named by the current local time. When a
// folder of that name exists already, waits for the next second, so a backup
// never lands in (or overwrites) an older one. Returns its path.
std::optional<std::string> CreateBackupFolder(const std::string& root, std::string* error);

// Exports HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER of the registry named by
// CLARIVO_REGISTRY into `folder` with clarivo-regedit. Succeeds only when both
// exports report success and left a non-empty file.
bool ExportBackup(const std::string& folder, std::string* error);

// Imports the backup files present in `folder` with clarivo-regedit /s, the
// machine file first. Fails when neither is present or an import fails;
// `imported` names the files imported.
bool ImportBackup(const std::string& folder, std::vector<std::string>* imported, std::string* error);

// Removes a backup folder this run created and its files (after a failed export).
void RemoveBackupFolder(const std::string& folder);

}  // namespace cli
