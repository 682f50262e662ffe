// Exit statuses of clarivo-cli; README.md documents them for scripts.
#pragma once

namespace cli {

inline constexpr int kExitOk = 0;         // done; scan: nothing found
inline constexpr int kExitFindings = 1;   // scan found entries; fix: entries are left
inline constexpr int kExitUsage = 2;      // bad command line
inline constexpr int kExitRegistry = 3;   // the registry cannot be opened
inline constexpr int kExitBackup = 4;     // backup or restore through clarivo-regedit failed
inline constexpr int kExitFixFailed = 5;  // the engine failed to fix a type
inline constexpr int kExitRefused = 6;    // registry not writable, point of another registry, no confirmation
inline constexpr int kExitEngine = 7;     // func_Clarivo.so cannot be loaded
inline constexpr int kExitStopped = 130;  // fix stopped by SIGINT/SIGTERM after a finished type

}  // namespace cli
