// The Windows installation being cleaned, as seen from Linux: its registry,
// its files (Windows paths mapped to Linux ones), its environment and its
// special folders. Scanners and fixers reach the machine only through this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace platform {

// CSIDL numbers the engine asks for.
inline constexpr int kCsidlStartMenu = 11;
inline constexpr int kCsidlCommonStartMenu = 22;
inline constexpr int kCsidlAppData = 26;

class WindowsSystem {
 public:
  virtual ~WindowsSystem() = default;

  virtual Registry& registry() = 0;

  // True for an existing file or folder. A drive letter that maps nowhere and
  // a UNC path count as existing: what cannot be checked is never reported.
  virtual bool PathFileExists(std::u16string_view windows_path) = 0;
  // Replaces every known %NAME%; unknown names stay as written.
  virtual std::u16string ExpandEnvironmentStrings(std::u16string_view text) = 0;
  // Folder path without trailing backslash; empty when there is none.
  virtual std::u16string GetSpecialFolder(int csidl) = 0;
  // Between BeginScan and EndScan (one scan; calls may nest) PathFileExists
  // may remember that a path exists. A path found missing is always tested
  // afresh, so nothing is reported that a fresh test would not report.
  virtual void BeginScan() {}
  virtual void EndScan() {}
  // The Linux path a Windows path maps to; empty when it maps nowhere.
  // A path that already is an absolute Linux path is returned as it is.
  virtual std::string ToHostPath(std::u16string_view windows_path) = 0;

  // A human-readable description of the source, e.g. "wine:/root/.wine".
  virtual std::string Describe() const = 0;
  // The CLARIVO_REGISTRY value that names this source, for child processes.
  virtual std::string SourceSpec() const = 0;
  // Non-empty when what was read may be stale (e.g. a wineserver runs).
  virtual std::string Warning() const = 0;
};

// Parses a registry source ("wine:DIR", "hive:DIR", or a bare directory meaning
// wine:DIR) and opens it. On failure returns null and sets `error` to a
// sentence naming the cause (no prefix, malformed file and where, ...).
// `only_root` (kLocalMachine or kCurrentUser) reads up front only what that
// root needs, for a reader of that root alone (an export); the registry then
// refuses every change. Any other value reads everything.
std::unique_ptr<WindowsSystem> OpenWindowsSystem(std::string_view source, std::string* error,
                                                 RegKey only_root = 0);

// The source named by CLARIVO_REGISTRY, else $WINEPREFIX, else ~/.wine.
std::string DefaultRegistrySource();

}  // namespace platform
