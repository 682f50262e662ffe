// clarivo-cli: the engine func_Clarivo from the command line.
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/prefix_choice.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    std::fprintf(stderr, "%s", cli::OverallHelp().c_str());
    return cli::kExitUsage;
  }
  const std::string name = words.front();
  words.erase(words.begin());
  if (name == "--version" || name == "-V") {
    std::printf("clarivo-cli %s\n", CLARIVO_VERSION);
    return cli::kExitOk;
  }
  if (name == "--help" || name == "-h" || name == "help") {
    const cli::CommandInfo* topic = words.empty() ? nullptr : cli::FindCommand(words.front());
    std::printf("%s", topic ? std::string(topic->usage).c_str() : cli::OverallHelp().c_str());
    return cli::kExitOk;
  }
  const cli::CommandInfo* command = cli::FindCommand(name);
  if (command == nullptr) {
    cli::PrintError("unknown command '" + name + "' (try 'clarivo-cli --help')");
    return cli::kExitUsage;
  }
  std::string error;
  std::optional<cli::Options> options = cli::ParseOptions(words, command->options, &error);
  if (!options) {
    cli::PrintError(error + " (try 'clarivo-cli " + name + " --help')");
    return cli::kExitUsage;
  }
  if (options->help) {
    std::printf("%s", std::string(command->usage).c_str());
    return cli::kExitOk;
  }
  // A listed prefix's number or name becomes its folder before any command runs.
  if (options->registry && !cli::ResolveRegistryWord(&*options->registry, &error)) {
    cli::PrintError(error);
    return cli::kExitUsage;
  }
  return command->run(*options);
}
