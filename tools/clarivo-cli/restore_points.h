// The program's backup store as clarivo-cli uses it: the same folder and list
// of restore points as Clarivo beside it, so that backups made here show up
// in the program and the other way round.
#pragma once

#include <optional>
#include <string>

#include "app/core/restore_point_store.h"
#include "tools/clarivo-cli/cli_options.h"

namespace cli {

// DIR/ for --backup-dir DIR; otherwise the program's own backup folder: the
// "RegBackup" path of Clarivo.ini beside clarivo-cli.
std::string StoreFolder(const Options& options);

// Shows the store's messages as clarivo-cli errors for as long as it lives.
class StoreMessages {
 public:
  StoreMessages();
  ~StoreMessages();
  StoreMessages(const StoreMessages&) = delete;
  StoreMessages& operator=(const StoreMessages&) = delete;
};

// A restore point number as `backups` lists them (1 = the first); nothing
// when `word` is not one of them, with `error` set.
std::optional<int> PointIndex(const clarivo::RestorePointStore& store, const std::string& word,
                              std::string* error);
// True when `word` is written as a point number (digits only).
bool IsPointNumber(const std::string& word);

// Asks `question` with " [y/N] " on the terminal; true only for y or yes.
bool AskOnTerminal(const std::string& question);

// "YYYY-MM-DD hh:mm:ss" of a point's creation time.
std::string PointTime(const clarivo::RestorePoint& point);

}  // namespace cli
