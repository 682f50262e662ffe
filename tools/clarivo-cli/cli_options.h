// Command-line parsing shared by every clarivo-cli command.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

// Options a command may accept; each command names the ones it takes.
enum OptionFlag : unsigned {
  kOptRegistry = 1u << 0,   // --registry SOURCE
  kOptType = 1u << 1,       // --type N (repeatable)
  kOptJson = 1u << 2,       // --json
  kOptYes = 1u << 3,        // --yes, -y
  kOptBackupDir = 1u << 4,  // --backup-dir DIR
  kOptIntoOther = 1u << 5,  // --into-other-registry
  kOptList = 1u << 6,       // --list
};

struct Options {
  bool help = false;
  std::optional<std::string> registry;
  std::vector<int> types;  // rising, no repeats; empty = every type
  bool json = false;
  bool yes = false;
  std::optional<std::string> backup_dir;
  bool into_other_registry = false;
  bool list = false;
  std::vector<std::string> arguments;  // the words that are not options
};

// Parses the words after the command name. Options may be written
// "--name value" or "--name=value"; "--" ends the options. Returns nothing and
// sets `error` to a sentence naming the offending word on a usage error.
std::optional<Options> ParseOptions(const std::vector<std::string>& words, unsigned accepted,
                                    std::string* error);

// The scan selection: the chosen types, or all of them.
std::vector<int> SelectedTypes(const Options& options);

}  // namespace cli
