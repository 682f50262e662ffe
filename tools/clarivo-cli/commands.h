// The commands of clarivo-cli. Each lives in its own cmd_*.cpp; adding one
// means writing its file and adding a row to the table in commands.cpp.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/clarivo-cli/cli_options.h"
#include "tools/clarivo-cli/engine_binding.h"
#include "tools/clarivo-cli/registry_source.h"

namespace cli {

struct CommandInfo {
  std::string_view name;
  std::string_view summary;  // one line for the overall help
  std::string_view usage;    // the command's --help text
  unsigned options;          // OptionFlag bits it accepts
  int (*run)(const Options& options);
};

const std::vector<CommandInfo>& Commands();
const CommandInfo* FindCommand(std::string_view name);
std::string OverallHelp();

int RunScan(const Options& options);
int RunFix(const Options& options);
int RunRestore(const Options& options);
int RunBackup(const Options& options);
int RunBackups(const Options& options);
int RunDelete(const Options& options);
int RunPrefixes(const Options& options);
extern const std::string_view kScanUsage;
extern const std::string_view kFixUsage;
extern const std::string_view kRestoreUsage;
extern const std::string_view kBackupUsage;
extern const std::string_view kBackupsUsage;
extern const std::string_view kDeleteUsage;
extern const std::string_view kPrefixesUsage;

// Shared steps of the commands.
void PrintError(const std::string& message);    // "clarivo-cli: MESSAGE" on stderr
void PrintWarning(const std::string& message);  // "clarivo-cli: warning: MESSAGE"
// Opens the registry and prints its warning; on failure prints the cause.
std::optional<RegistrySource> OpenSourceOrReport(const Options& options);
// Loads the engine; on failure prints the cause.
std::unique_ptr<EngineBinding> LoadEngineOrReport();
// A usage error when the command got words it does not take.
bool CheckArgumentCount(const Options& options, std::size_t count, std::string_view usage_line);

}  // namespace cli
