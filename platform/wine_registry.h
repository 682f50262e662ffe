// The registry of a Wine prefix: DIR/system.reg is HKEY_LOCAL_MACHINE,
// DIR/user.reg is HKEY_CURRENT_USER. The files are read whole into memory,
// changed there, and written back on Flush (and when the object ends).
//
// wineserver holds the registry in memory while it runs and writes it back
// when it ends, so while a server runs for the prefix every change is refused
// with kRegAccessDenied. Files changed on disk by someone else (an import) are
// read again at the start of the next walk from a root key, unless changes of
// ours are pending; handles opened before such a reload fail from then on
// with kRegNotFound, as for a deleted key.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_stamp.h"
#include "platform/memory_registry.h"
#include "platform/wine_format.h"

namespace platform {

class WineRegistry : public MemoryRegistry {
 public:
  // Null with `error` set when DIR holds no system.reg or a file cannot be read or parsed.
  // With `only_root` kLocalMachine or kCurrentUser only that root's file is
  // read now, the other one when first used (a link may lead into it); such a
  // registry is for reading, and refuses every change with kRegAccessDenied.
  static std::unique_ptr<WineRegistry> Open(const std::string& prefix_dir, std::string* error,
                                            RegKey only_root = 0);
  ~WineRegistry() override;

  bool ServerRunning() const;
  std::string prefix() const { return prefix_; }

  // Writes every changed file. kRegAccessDenied while a server runs,
  // kRegWriteFault when a file cannot be written (the changes stay pending).
  std::int32_t Flush() override;
  // Why the last Flush or reload failed; empty if it did not.
  std::string last_error() const;
  // Drops the changes not yet written (the files are read again), so that a
  // change that failed half-way is never saved, not even when the object ends.
  void DiscardChanges();
  // Why the files could not be written now (a wineserver runs, a file or its
  // folder is read-only), naming the file and the reason; empty when they can.
  std::string WriteProblem() const;
  // For a run of many changes (an import): while on, whether a server holds
  // the prefix's lock is looked at every few milliseconds instead of before
  // each change. Flush always looks before anything is written.
  void SetBatchMode(bool on);
  std::string DeferredReadProblem() const override;

 protected:
  std::int32_t CheckWritable() override;
  void OnModified(Hive hive) override;
  void OnRootWalk() override;
  void OnHiveNeeded(Hive hive) override;

 private:
  struct HiveFile {
    std::string path;
    WineHiveFile file;
    FileStamp identity;
    bool dirty = false;
  };

  // A file read and parsed, not yet in place (no root: the file is missing).
  struct LoadedHive {
    WineHiveFile file;
    FileStamp identity;
  };

  explicit WineRegistry(std::string prefix_dir);
  bool LoadHive(Hive hive, bool required, std::string* error);
  std::int32_t SaveDirtyHives();
  // Reads and parses a hive's file; touches nothing of the registry, so the
  // two hives can be read on two threads.
  bool ReadHive(Hive hive, bool required, LoadedHive* out, std::string* error) const;
  // The two steps of ReadHive. ReadHiveText leaves `text` empty for a missing
  // file that is not required; ParseHiveText runs `parse` and turns what it
  // throws for a file too big to hold into an error.
  bool ReadHiveText(Hive hive, bool required, LoadedHive* out, std::string* text, std::string* error) const;
  bool ParseHiveText(Hive hive, LoadedHive* out, std::string* error,
                     const std::function<bool(WineHiveFile*, std::string*)>& parse) const;
  void InstallHive(Hive hive, LoadedHive loaded);

  std::string prefix_;
  HiveFile files_[2];
  std::string last_error_;
  std::chrono::steady_clock::time_point last_check_{};
  std::chrono::steady_clock::time_point lock_paths_found_{};
  std::vector<std::string> lock_paths_;
  bool batch_ = false;
  std::chrono::steady_clock::time_point lock_checked_{};
  std::int32_t lock_status_ = kRegOk;
  bool read_only_ = false;      // opened with one root only
  std::string deferred_error_;  // why a hive read on first use failed
};

}  // namespace platform
