#include "tools/clarivo-cli/cli_options.h"

#include <algorithm>
#include <string_view>

#include "tools/clarivo-cli/categories.h"

namespace cli {
namespace {

struct OptionSpec {
  std::string_view name;
  std::string_view short_name;
  OptionFlag flag;
  bool takes_value;
};

constexpr OptionSpec kOptionSpecs[] = {
    {"--registry", "", kOptRegistry, true},    {"--type", "", kOptType, true},
    {"--json", "", kOptJson, false},           {"--yes", "-y", kOptYes, false},
    {"--backup-dir", "", kOptBackupDir, true}, {"--into-other-registry", "", kOptIntoOther, false},
    {"--list", "", kOptList, false},
};

const OptionSpec* FindSpec(std::string_view name) {
  for (const OptionSpec& spec : kOptionSpecs) {
    if (name == spec.name || (!spec.short_name.empty() && name == spec.short_name)) return &spec;
  }
  return nullptr;
}

bool Apply(const OptionSpec& spec, const std::string& value, Options* options, std::string* error) {
  switch (spec.flag) {
    case kOptRegistry:
      if (value.empty()) {
        *error = "--registry needs a non-empty source (e.g. wine:/path/to/prefix)";
        return false;
      }
      options->registry = value;
      return true;
    case kOptType: {
      std::optional<int> type = ParseType(value);
      if (!type) {
        *error = "unknown problem type '" + value +
                 "' for --type (use 1-8, 10, 11, 13 or a category name such as MUICache)";
        return false;
      }
      if (std::find(options->types.begin(), options->types.end(), *type) == options->types.end()) {
        options->types.push_back(*type);
        std::sort(options->types.begin(), options->types.end());
      }
      return true;
    }
    case kOptJson:
      options->json = true;
      return true;
    case kOptYes:
      options->yes = true;
      return true;
    case kOptIntoOther:
      options->into_other_registry = true;
      return true;
    case kOptList:
      options->list = true;
      return true;
    case kOptBackupDir:
      if (value.empty()) {
        *error = "--backup-dir needs a non-empty folder";
        return false;
      }
      options->backup_dir = value;
      return true;
  }
  return false;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& words, unsigned accepted,
                                    std::string* error) {
  Options options;
  bool options_ended = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (options_ended || word.empty() || word[0] != '-' || word == "-") {
      options.arguments.push_back(word);
      continue;
    }
    if (word == "--") {
      options_ended = true;
      continue;
    }
    if (word == "--help" || word == "-h") {
      options.help = true;
      continue;
    }
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    const OptionSpec* spec = FindSpec(name);
    if (spec == nullptr || (accepted & spec->flag) == 0) {
      *error = "unknown option '" + name + "' for this command";
      return std::nullopt;
    }
    std::string value;
    if (spec->takes_value) {
      if (equals != std::string::npos) {
        value = word.substr(equals + 1);
      } else if (i + 1 < words.size()) {
        value = words[++i];
      } else {
        *error = "option " + name + " needs a value";
        return std::nullopt;
      }
    } else if (equals != std::string::npos) {
      *error = "option " + name + " takes no value";
      return std::nullopt;
    }
    if (!Apply(*spec, value, &options, error)) return std::nullopt;
  }
  return options;
}

std::vector<int> SelectedTypes(const Options& options) {
  return options.types.empty() ? AllScanTypes() : options.types;
}

}  // namespace cli
