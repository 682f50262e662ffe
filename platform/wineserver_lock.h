// Whether a wineserver runs for a Wine prefix. wineserver keeps the registry
// in memory while it runs and writes it out when it ends, so files changed
// under a running server would be overwritten.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The lock file a server for `prefix_dir` holds: "<server dir>/server-<dev>-<ino>/lock",
// where the server dir is "/tmp/<name in prefix_dir/wineserver>" when that file
// exists (Debian's wine), else "/tmp/.wine-<uid>". Empty if the prefix cannot be stat'ed.
std::string WineserverLockPath(const std::string& prefix_dir);

// True while some process holds a write lock on `lock_path`.
bool LockFileHeld(const std::string& lock_path);

// The lock files a server for the prefix may hold: WineserverLockPath's and,
// when that differs, the standard folder's. Empty if the prefix cannot be stat'ed.
std::vector<std::string> WineserverLockPaths(const std::string& prefix_dir);

// True while a wineserver runs for the prefix.
bool WineserverRunning(const std::string& prefix_dir);

}  // namespace platform
