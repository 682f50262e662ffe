// Importing a backup folder given by its path (restore DIR): the
// clarivo-regedit exports of both hives that a restore point's folder holds.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

inline constexpr const char* kMachineFile = "reg.reg";    // HKEY_LOCAL_MACHINE
inline constexpr const char* kUserFile = "reg_user.reg";  // HKEY_CURRENT_USER

// Imports the backup files present in `folder` with clarivo-regedit /s, the
// machine file first. Fails when neither is present or an import fails;
// `imported` names the files imported.
bool ImportBackup(const std::string& folder, std::vector<std::string>* imported, std::string* error);

}  // namespace cli
