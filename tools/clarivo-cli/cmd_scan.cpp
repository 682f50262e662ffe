// clarivo-cli scan: lists the stale entries of the chosen types.
#include <cstdio>
#include <utility>

#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"
#include "tools/clarivo-cli/json_output.h"
#include "tools/clarivo-cli/progress_bar.h"

namespace cli {

const std::string_view kScanUsage =
    "Usage: clarivo-cli scan [--registry SOURCE] [--type N]... [--json]\n"
    "Scans the registry and lists what is stale, grouped by category with counts.\n"
    "\n"
    "  --registry SOURCE  the registry to scan: wine:DIR, a Wine prefix folder, or the\n"
    "                     number or name of a prefix listed by 'clarivo-cli prefixes'\n"
    "                     (default: CLARIVO_REGISTRY, else $WINEPREFIX, else ~/.wine)\n"
    "  --type N           scan only type N (repeatable): a number or a category name\n"
    "                     1 MissingShareDLL, 2 InvalidApplication, 3 InvalidActiveXAndCOM,\n"
    "                     4 InvalidStartMenuOrding, 5 InvalidInstaller, 6 InvalidDefaultIcon,\n"
    "                     7 InvalidOpenWithApplication, 8 MUICache, 10 ObsoleteSoftware,\n"
    "                     11 HelpFiles, 13 UnusedFileExtensions (default: all eleven)\n"
    "  --json             print one JSON document on standard output instead\n"
    "\n"
    "A progress bar is drawn on standard error when it is a terminal.\n"
    "Exit status: 0 nothing found, 1 entries found, 2 usage error,\n"
    "3 registry cannot be opened, 7 engine cannot be loaded.\n";

int RunScan(const Options& options) {
  if (!CheckArgumentCount(options, 0,
                          "Usage: clarivo-cli scan [--registry SOURCE] [--type N]... [--json]\n")) {
    return kExitUsage;
  }
  const std::optional<RegistrySource> source = OpenSourceOrReport(options);
  if (!source) return kExitRegistry;
  std::unique_ptr<EngineBinding> binding = LoadEngineOrReport();
  if (!binding) return kExitEngine;

  const std::vector<int> types = SelectedTypes(options);
  std::unique_ptr<ProgressBar> bar = ProgressBar::ForStandardError();
  binding->engine().Stop(0);
  const std::vector<Finding> findings = ScanTypes(binding->engine(), types, bar.get());

  if (options.json) {
    std::fputs(FindingsJson(source->description, findings).c_str(), stdout);
  } else {
    std::printf("Registry: %s\n", Printable(source->description).c_str());
    PrintFindings(stdout, types, findings);
  }
  EngineBinding::LeaveToProcessEnd(std::move(binding));
  return findings.empty() ? kExitOk : kExitFindings;
}

}  // namespace cli
