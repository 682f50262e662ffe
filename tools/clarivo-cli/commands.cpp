#include "tools/clarivo-cli/commands.h"

#include <cstdio>

namespace cli {

const std::vector<CommandInfo>& Commands() {
  static const std::vector<CommandInfo> commands = {
      {"scan", "find stale registry entries and list them by category", kScanUsage,
       kOptRegistry | kOptType | kOptJson, RunScan},
      {"fix", "back up the registry, then delete the stale entries", kFixUsage,
       kOptRegistry | kOptType | kOptBackupDir | kOptYes | kOptJson | kOptList, RunFix},
      {"backup", "back up the registry into a new restore point", kBackupUsage,
       kOptRegistry | kOptBackupDir | kOptJson, RunBackup},
      {"backups", "list the restore points", kBackupsUsage, kOptBackupDir | kOptJson, RunBackups},
      {"restore", "import a restore point (or a backup folder)", kRestoreUsage,
       kOptRegistry | kOptBackupDir | kOptJson | kOptIntoOther, RunRestore},
      {"delete", "delete a restore point and its folder", kDeleteUsage, kOptBackupDir | kOptYes, RunDelete},
      {"prefixes", "list the Wine prefixes found, to choose one with --registry", kPrefixesUsage, kOptJson,
       RunPrefixes},
  };
  return commands;
}

const CommandInfo* FindCommand(std::string_view name) {
  for (const CommandInfo& command : Commands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

std::string OverallHelp() {
  std::string text =
      "Usage: clarivo-cli COMMAND [OPTIONS]\n"
      "Finds and removes stale entries in a Windows registry kept on this machine\n"
      "(a Wine prefix).\n\nCommands:\n";
  for (const CommandInfo& command : Commands()) {
    std::string name(command.name);
    name.resize(10, ' ');
    text += "  " + name + std::string(command.summary) + "\n";
  }
  text +=
      "\nRun 'clarivo-cli COMMAND --help' for the options of a command.\n"
      "The registry is the one named by --registry SOURCE, else CLARIVO_REGISTRY,\n"
      "else $WINEPREFIX, else ~/.wine. SOURCE is wine:DIR, a prefix folder, or the\n"
      "number or name of a prefix listed by 'clarivo-cli prefixes' (a folder of that\n"
      "name wins).\n"
      "\nExit status: 0 done (scan: nothing found), 1 entries found (fix: entries left),\n"
      "2 usage error, 3 registry cannot be opened, 4 backup, restore or delete failed,\n"
      "5 fixing failed, 6 refused (registry cannot be written, restore point of another\n"
      "registry, or no confirmation), 7 engine cannot be loaded, 130 fix stopped by Ctrl-C.\n"
      "\nclarivo-cli --version prints the version.\n";
  return text;
}

void PrintError(const std::string& message) { std::fprintf(stderr, "clarivo-cli: %s\n", message.c_str()); }

void PrintWarning(const std::string& message) {
  std::fprintf(stderr, "clarivo-cli: warning: %s\n", message.c_str());
}

std::optional<RegistrySource> OpenSourceOrReport(const Options& options) {
  std::string error;
  std::optional<RegistrySource> source = OpenRegistrySource(options.registry, &error);
  if (!source) {
    PrintError(error);
    return std::nullopt;
  }
  if (!source->warning.empty()) PrintWarning(source->warning);
  return source;
}

std::unique_ptr<EngineBinding> LoadEngineOrReport() {
  std::string error;
  std::unique_ptr<EngineBinding> binding = EngineBinding::Load(&error);
  if (!binding) PrintError(error);
  return binding;
}

bool CheckArgumentCount(const Options& options, std::size_t count, std::string_view usage_line) {
  if (options.arguments.size() == count) return true;
  if (options.arguments.size() > count) {
    PrintError("unexpected argument '" + options.arguments[count] + "'");
  } else {
    PrintError("missing argument");
  }
  std::fprintf(stderr, "%s", std::string(usage_line).c_str());
  return false;
}

}  // namespace cli
