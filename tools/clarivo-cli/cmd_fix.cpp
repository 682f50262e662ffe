// clarivo-cli fix: scan, confirm, back up both hives, delete, rescan.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/process.h"
#include "tools/clarivo-cli/categories.h"
#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"
#include "tools/clarivo-cli/progress_bar.h"
#include "tools/clarivo-cli/restore_points.h"

namespace cli {
namespace {

constexpr std::string_view kFixUsageLine =
    "Usage: clarivo-cli fix [--registry SOURCE] [--type N]... [--backup-dir DIR] [--yes]\n";

// Asks on the terminal; anything but y/yes is a no.
bool Confirm(std::size_t count) {
  // With the listing sent to a file the question must still reach the user.
  std::FILE* out = isatty(STDOUT_FILENO) ? stdout : stderr;
  std::fprintf(out, "Delete %zu entries? [y/N] ", count);
  std::fflush(out);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

}  // namespace

const std::string_view kFixUsage =
    "Usage: clarivo-cli fix [--registry SOURCE] [--type N]... [--backup-dir DIR] [--yes]\n"
    "Scans, lists what will be deleted, asks, backs up HKEY_LOCAL_MACHINE and\n"
    "HKEY_CURRENT_USER, deletes the entries found, then rescans and reports what is left.\n"
    "\n"
    "  --registry SOURCE  the registry to clean: wine:DIR or a Wine prefix folder\n"
    "  --type N           fix only type N (repeatable; see 'clarivo-cli scan --help')\n"
    "  --backup-dir DIR   keep the restore point under DIR instead of the\n"
    "                     backup folder of the program Clarivo beside clarivo-cli\n"
    "  --yes, -y          do not ask; without it fix asks \"Delete N entries? [y/N]\"\n"
    "                     and refuses when standard input is not a terminal\n"
    "\n"
    "The backup is a new restore point, as 'clarivo-cli backup' makes it: a folder\n"
    "named YYMMDDhhmmss (local time) holding reg.reg (HKEY_LOCAL_MACHINE) and\n"
    "reg_user.reg (HKEY_CURRENT_USER); nothing is deleted unless both exports\n"
    "succeed. Undo with 'clarivo-cli restore N'.\n"
    "Fix refuses while a wineserver runs for the prefix (stop it: wineserver -k).\n"
    "Exit status: 0 done and nothing left, 1 entries left after the fix, 2 usage error,\n"
    "3 registry cannot be opened, 4 backup failed (nothing deleted), 5 fixing failed,\n"
    "6 refused, 7 engine cannot be loaded.\n";

int RunFix(const Options& options) {
  if (!CheckArgumentCount(options, 0, kFixUsageLine)) return kExitUsage;
  const std::optional<RegistrySource> source = OpenSourceOrReport(options);
  if (!source) return kExitRegistry;
  if (!source->warning.empty()) {
    PrintError("refusing to fix " + source->description + ": " + source->warning);
    return kExitRefused;
  }
  const std::vector<int> types = SelectedTypes(options);
  std::unique_ptr<ProgressBar> bar = ProgressBar::ForStandardError();

  std::unique_ptr<EngineBinding> binding = LoadEngineOrReport();
  if (!binding) return kExitEngine;
  Function::ICleanReg& engine = binding->engine();
  engine.Stop(0);
  const std::vector<Finding> findings = ScanTypes(engine, types, bar.get());

  std::printf("Registry: %s\n", Printable(source->description).c_str());
  if (findings.empty()) {
    PrintFindings(stdout, types, findings);
    std::printf("Nothing to fix.\n");
    return kExitOk;
  }
  std::printf("These entries will be deleted:\n");
  PrintFindings(stdout, types, findings);
  std::fflush(stdout);

  if (!options.yes) {
    if (!isatty(STDIN_FILENO)) {
      PrintError("refusing to fix without confirmation: standard input is not a terminal (pass --yes)");
      return kExitRefused;
    }
    if (!Confirm(findings.size())) {
      std::printf("Nothing was changed.\n");
      return kExitRefused;
    }
  }

  // The backup is a restore point of the program's store; nothing is deleted
  // unless both exports succeed.
  StoreMessages messages;
  clarivo::RestorePointStore store(StoreFolder(options));
  store.create_mode = true;
  std::printf("Backing up to %s\n", Printable(store.folder()).c_str());
  std::fflush(stdout);
  if (!store.Run()) {
    PrintError("backup failed, nothing was deleted");
    return kExitBackup;
  }
  const std::string folder = store.PointFolder(store.points().back());
  const std::string point = std::to_string(store.points().size());

  bool failed = false;
  for (const int type : types) {
    const int count = CountOfType(findings, type);
    if (count == 0) continue;
    if (bar) bar->Begin("Fixing " + std::string(CategoryName(type)));
    const int result = engine.Fix(type, bar.get());
    if (bar) bar->Clear();
    if (result == Function::kResultDone) {
      std::printf("%s: deleted %d entries\n", std::string(CategoryName(type)).c_str(), count);
    } else {
      failed = true;
      PrintError(
          std::string(CategoryName(type)) +
          (result == Function::kResultStopped
               ? ": fixing was stopped"
               : ": fixing failed (its registry key cannot be opened or the registry cannot be saved)"));
    }
  }

  // A fresh engine reads the registry back from disk, so the rescan shows
  // what was really saved, not what one engine holds in memory.
  binding.reset();
  binding = LoadEngineOrReport();
  if (!binding) return kExitEngine;
  const std::vector<Finding> left = ScanTypes(binding->engine(), types, bar.get());
  if (left.empty()) {
    std::printf("Rescan: nothing left.\n");
  } else {
    std::printf("Rescan: %zu entries left:\n", left.size());
    PrintFindings(stdout, types, left);
  }
  std::string restore = "clarivo-cli restore --registry " + platform::QuoteForShell(source->spec);
  if (options.backup_dir) restore += " --backup-dir " + platform::QuoteForShell(*options.backup_dir);
  restore += " " + point;
  std::printf("Backup: %s (restore point %s)\nTo undo: %s\n", Printable(folder).c_str(), point.c_str(),
              Printable(restore).c_str());
  if (failed) return kExitFixFailed;
  return left.empty() ? kExitOk : kExitFindings;
}

}  // namespace cli
