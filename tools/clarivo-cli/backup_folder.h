// A backup folder given by its path (restore DIR): the .reg exports of both
// hives that a restore point's folder holds.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

inline constexpr const char* kMachineFile = "reg.reg";    // HKEY_LOCAL_MACHINE
inline constexpr const char* kUserFile = "reg_user.reg";  // HKEY_CURRENT_USER

// The backup files present in `folder`, the machine file first, each checked
// to be readable. Fails (with `error` naming the file and the reason) when
// neither is present or one cannot be read.
bool BackupFiles(const std::string& folder, std::vector<std::string>* files, std::string* error);

// The registry recorded in a backup folder ("source"); empty when none is.
std::string RecordedSource(const std::string& folder);

}  // namespace cli
