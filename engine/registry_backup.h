// Whole-hive backup and restore through our registry editor, clarivo-regedit,
// started hidden through the command interpreter.
#pragma once

#include <string>

#include "engine/engine_state.h"
#include "shared/clean_reg.h"

namespace Function {

inline constexpr std::u16string_view kMachineBackupFile = u"hkey_local_machine.reg";
// The fixers also delete under HKEY_CURRENT_USER, so the user's hive is saved beside it.
inline constexpr std::u16string_view kUserBackupFile = u"hkey_current_user.reg";

// Always 1: callers learn of success through HasBackup or GetBackupTime.
int BackupRegistry(CRegEngine& engine, const char16_t* folder, ICallback* callback);
// 0 when the folder holds no backup file; 1 once the editor was started.
int RestoreRegistry(CRegEngine& engine, const char16_t* folder, ICallback* callback);
// Both look at the application-data folder only.
int HasBackup(CRegEngine& engine);
int GetBackupTime(CRegEngine& engine, SYSTEMTIME* time);

// The Linux path of a file in the backup folder (as GetBackupFolder returns
// it: a Windows path or a Linux one, ending in a backslash); empty when the
// folder maps nowhere.
std::string BackupFilePath(CRegEngine& engine, const std::u16string& folder, std::u16string_view file);

// The interpreter command that exports (or silently imports) the given files.
std::string BackupCommand(CRegEngine& engine, const std::string& machine_file, const std::string& user_file);
std::string RestoreCommand(CRegEngine& engine, const std::string& machine_file, const std::string& user_file);

}  // namespace Function
