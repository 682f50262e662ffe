// clarivo-cli fix: scan, confirm, back up both hives, delete, rescan.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>

#include "platform/process.h"
#include "platform/registry_files.h"
#include "platform/wine_registry.h"
#include "tools/clarivo-cli/categories.h"
#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"
#include "tools/clarivo-cli/json_output.h"
#include "tools/clarivo-cli/progress_bar.h"
#include "tools/clarivo-cli/registry_editor.h"
#include "tools/clarivo-cli/restore_points.h"

namespace cli {
namespace {

constexpr std::string_view kFixUsageLine =
    "Usage: clarivo-cli fix [--registry SOURCE] [--type N]... [--backup-dir DIR] [--list] [--yes] [--json]\n";

void PrintCounts(std::FILE* out, const std::vector<int>& types, const std::vector<Finding>& findings) {
  for (const int type : types) {
    const int count = CountOfType(findings, type);
    if (count > 0)
      std::fprintf(out, "  %s (type %d): %d\n", std::string(CategoryName(type)).c_str(), type, count);
  }
  std::fprintf(out, "Total: %zu\n", findings.size());
}

struct TypeOutcome {
  int type;
  int count;
  int result;  // an engine result; -1 when not attempted (stopped before it)
};

std::string OutcomeJson(const std::vector<TypeOutcome>& outcomes, bool fixed) {
  std::string out = "[";
  bool first = true;
  for (const TypeOutcome& o : outcomes) {
    if ((o.result == Function::kResultDone) != fixed) continue;
    out += std::string(first ? "" : ", ") + "{\"type\": " + std::to_string(o.type) +
           ", \"category\": " + JsonString(CategoryName(o.type)) + ", \"count\": " + std::to_string(o.count) +
           ", \"status\": " +
           JsonString(o.result == Function::kResultDone      ? "fixed"
                      : o.result == -1                       ? "not attempted"
                      : o.result == Function::kResultStopped ? "stopped"
                                                             : "failed") +
           "}";
    first = false;
  }
  return out + "]";
}

}  // namespace

const std::string_view kFixUsage =
    "Usage: clarivo-cli fix [--registry SOURCE] [--type N]... [--backup-dir DIR] [--list] [--yes] [--json]\n"
    "Scans, shows how many entries of each category will be deleted, asks, backs up\n"
    "HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, deletes the entries found, then\n"
    "rescans and reports what is left.\n"
    "\n"
    "  --registry SOURCE  the registry to clean: wine:DIR, a Wine prefix folder, or the\n"
    "                     number or name of a prefix listed by 'clarivo-cli prefixes'\n"
    "  --type N           fix only type N (repeatable; see 'clarivo-cli scan --help')\n"
    "  --backup-dir DIR   keep the restore point under DIR instead of the\n"
    "                     backup folder of the program Clarivo beside clarivo-cli\n"
    "  --list             list every entry before asking, not only the counts\n"
    "  --yes, -y          do not ask; without it fix asks \"Delete N entries? [y/N]\"\n"
    "                     and refuses when standard input is not a terminal\n"
    "  --json             print one JSON document on standard output (with --yes)\n"
    "\n"
    "The backup is a new restore point, as 'clarivo-cli backup' makes it: a folder\n"
    "named YYMMDDhhmmss (local time) holding reg.reg (HKEY_LOCAL_MACHINE),\n"
    "reg_user.reg (HKEY_CURRENT_USER) and the registry's name; nothing is deleted\n"
    "unless both exports succeed. Undo with 'clarivo-cli restore N'.\n"
    "Fix refuses before making the backup when the registry cannot be written: a\n"
    "wineserver runs for the prefix (stop it: wineserver -k), or a registry file or\n"
    "its folder is read-only. Ctrl-C (or SIGTERM) while fixing stops after the\n"
    "category being fixed, which is saved; fix then reports what was fixed and what\n"
    "was not, and how to undo it.\n"
    "Exit status: 0 done and nothing left, 1 entries left after the fix, 2 usage error,\n"
    "3 registry cannot be opened, 4 backup failed (nothing deleted), 5 fixing failed,\n"
    "6 refused, 7 engine cannot be loaded, 130 stopped by Ctrl-C or SIGTERM.\n";

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
  // With --json standard output holds the document alone.
  std::FILE* text = options.json ? stderr : stdout;

  std::unique_ptr<EngineBinding> binding = LoadEngineOrReport();
  if (!binding) return kExitEngine;
  Function::ICleanReg& engine = binding->engine();
  platform::Registry* registry = binding->registry();
  if (registry == nullptr) return kExitEngine;
  // The deletions of all categories are saved once, after the last one.
  binding->state().save_each_fix = false;
  engine.Stop(0);
  const std::vector<Finding> findings = ScanTypes(engine, types, bar.get());

  if (!options.json) std::printf("Registry: %s\n", Printable(source->description).c_str());
  if (findings.empty()) {
    if (options.json) {
      std::printf(
          "{\"registry\": %s, \"restore_point\": null, \"fixed\": [], \"not_fixed\": [], \"left\": 0}\n",
          JsonString(source->description).c_str());
    } else {
      PrintFindings(stdout, types, findings);
      std::printf("Nothing to fix.\n");
    }
    return kExitOk;
  }
  if (!options.json || !options.yes) {
    std::fprintf(text, "These entries will be deleted:\n");
    if (options.list) {
      PrintFindings(text, types, findings);
    } else {
      PrintCounts(text, types, findings);
      std::fprintf(text, "(--list shows every entry)\n");
    }
    std::fflush(text);
  }

  if (!options.yes) {
    if (!isatty(STDIN_FILENO)) {
      PrintError("refusing to fix without confirmation: standard input is not a terminal (pass --yes)");
      return kExitRefused;
    }
    if (!AskOnTerminal("Delete " + std::to_string(findings.size()) + " entries?")) {
      std::fprintf(text, "Nothing was changed.\n");
      return kExitRefused;
    }
  }
  // A backup of a registry that cannot be saved would only mislead.
  if (const std::string problem = platform::RegistryWriteProblem(source->spec); !problem.empty()) {
    PrintError("refusing to fix " + source->description + ", nothing was changed: " + problem);
    return kExitRefused;
  }

  // From here on Ctrl-C stops between categories, never inside one's save.
  StopRequest stop;
  // The backup is a restore point of the program's store; nothing is deleted
  // unless both exports succeed.
  StoreMessages messages;
  clarivo::RestorePointStore store(StoreFolder(options));
  HeldRegistryEditor editor(*registry);
  store.editor = &editor;
  store.registry_source = source->spec;
  store.check_writable = true;
  store.create_mode = true;
  std::fprintf(text, "Backing up to %s\n", Printable(store.folder()).c_str());
  std::fflush(text);
  if (!store.Run()) {
    PrintError("backup failed, nothing was deleted");
    return kExitBackup;
  }
  const std::string folder = store.PointFolder(store.points().back());
  const std::string point = std::to_string(store.points().size());

  std::vector<TypeOutcome> outcomes;
  for (const int type : types) {
    const int count = CountOfType(findings, type);
    if (count == 0) continue;
    if (StopRequest::requested()) {
      outcomes.push_back({type, count, -1});
      continue;
    }
    if (bar) bar->Begin("Fixing " + std::string(CategoryName(type)));
    outcomes.push_back({type, count, engine.Fix(type, bar.get())});
    if (bar) bar->Clear();
  }
  const bool stopped = StopRequest::requested();
  // One save for every category; deletions that cannot be saved did not happen.
  std::string save_error;
  if (registry->Flush() != platform::kRegOk) {
    save_error = platform::RegistryWriteProblem(source->spec);
    auto* wine = dynamic_cast<platform::WineRegistry*>(registry);
    if (save_error.empty() && wine != nullptr) save_error = wine->last_error();
    if (save_error.empty()) save_error = "the registry cannot be saved";
    // The rescan then shows what is on disk, not deletions that were never saved.
    if (wine != nullptr) wine->DiscardChanges();
    for (TypeOutcome& o : outcomes) {
      if (o.result == Function::kResultDone) o.result = Function::kResultFailed;
    }
  }
  bool failed = false;
  for (const TypeOutcome& o : outcomes) {
    const std::string name(CategoryName(o.type));
    if (o.result == Function::kResultDone) {
      std::fprintf(text, "%s: deleted %d entries\n", name.c_str(), o.count);
    } else if (o.result != -1) {
      failed = true;
      std::string cause = save_error.empty() ? platform::RegistryWriteProblem(source->spec) : save_error;
      if (cause.empty()) cause = "one of its registry keys cannot be opened or the registry cannot be saved";
      PrintError(name + (o.result == Function::kResultStopped ? ": fixing was stopped"
                                                              : ": fixing failed: " + cause));
    }
  }

  std::string restore = "clarivo-cli restore --registry " + platform::QuoteForShell(source->spec);
  if (options.backup_dir) restore += " --backup-dir " + platform::QuoteForShell(store.folder());
  restore += " " + point;

  // The rescan reads the registry as just saved: the save wrote exactly what
  // the engine holds, and files someone else changed since are read again
  // before the scan walks them. Skipped when the user asked to stop.
  std::vector<Finding> left;
  if (!stopped) left = ScanTypes(engine, types, bar.get());
  if (options.json) {
    std::printf(
        "{\"registry\": %s, \"restore_point\": %s, \"backup_folder\": %s, \"fixed\": %s, \"not_fixed\": %s, "
        "\"stopped\": %s, \"left\": %s, \"undo\": %s}\n",
        JsonString(source->description).c_str(), point.c_str(), JsonString(folder).c_str(),
        OutcomeJson(outcomes, true).c_str(), OutcomeJson(outcomes, false).c_str(), stopped ? "true" : "false",
        stopped ? "null" : std::to_string(left.size()).c_str(), JsonString(restore).c_str());
  } else if (stopped) {
    std::printf("Stopped on request; what was fixed is saved.\n");
    for (const TypeOutcome& o : outcomes) {
      std::printf("  %s: %s\n", std::string(CategoryName(o.type)).c_str(),
                  o.result == Function::kResultDone
                      ? ("fixed (" + std::to_string(o.count) + " entries)").c_str()
                      : "not fixed");
    }
  } else if (left.empty()) {
    std::printf("Rescan: nothing left.\n");
  } else {
    std::printf("Rescan: %zu entries left:\n", left.size());
    PrintFindings(stdout, types, left);
  }
  if (!options.json) {
    std::printf("Backup: %s (restore point %s)\nTo undo: %s\n", Printable(folder).c_str(), point.c_str(),
                Printable(restore).c_str());
  }
  EngineBinding::LeaveToProcessEnd(std::move(binding));
  if (stopped) return kExitStopped;
  if (failed) return kExitFixFailed;
  return left.empty() ? kExitOk : kExitFindings;
}

}  // namespace cli
