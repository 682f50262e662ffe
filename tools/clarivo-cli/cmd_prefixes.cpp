// clarivo-cli prefixes: the Wine prefixes found on this machine, numbered so
// that --registry can name one by its number or name; `add` and `remove`
// keep the user's own list.
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/prefix_discovery.h"
#include "platform/windows_system.h"
#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/exit_codes.h"
#include "tools/clarivo-cli/findings.h"
#include "tools/clarivo-cli/json_output.h"

namespace cli {

const std::string_view kPrefixesUsage =
    "Usage: clarivo-cli prefixes [--json]\n"
    "       clarivo-cli prefixes add DIR\n"
    "       clarivo-cli prefixes remove DIR\n"
    "Lists the Wine prefixes found on this machine, numbered from 1: $WINEPREFIX,\n"
    "~/.wine, ~/.local/share/wineprefixes/*, Steam's Proton prefixes (native and\n"
    "Flatpak, every library), Lutris, Bottles (native and Flatpak), PlayOnLinux,\n"
    "and the folders added with 'prefixes add'. Each shows its name, folder, the\n"
    "sizes of system.reg and user.reg, their last change, and whether Wine runs\n"
    "in it now. '*' marks the registry used when --registry is not given.\n"
    "\n"
    "  --json   print one JSON document on standard output instead\n"
    "  add DIR  add a prefix folder to the list (it must hold system.reg and user.reg)\n"
    "  remove DIR  take a folder off that list\n"
    "\n"
    "Other commands take '--registry N' or '--registry NAME' for a listed prefix.\n"
    "Exit status: 0 done, 2 usage error or not a prefix, 4 the list cannot be written.\n";

namespace {

std::string Size(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

std::string Time(std::time_t when, bool utc) {
  std::tm parts{};
  if ((utc ? gmtime_r(&when, &parts) : localtime_r(&when, &parts)) == nullptr) return {};
  char text[32];
  std::strftime(text, sizeof text, utc ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%d %H:%M", &parts);
  return text;
}

// The real folder of the registry used without --registry, if it is a prefix.
std::string DefaultPrefixFolder() {
  std::string source = platform::DefaultRegistrySource();
  if (source.rfind("hive:", 0) == 0) return {};
  if (source.rfind("wine:", 0) == 0) source.erase(0, 5);
  const std::optional<platform::WinePrefix> prefix =
      platform::DescribeWinePrefix(source, platform::PrefixSource::kUserAdded);
  return prefix ? prefix->real_path : std::string();
}

std::string FileJson(const platform::RegistryFileInfo& file) {
  return "{\"size\": " + std::to_string(file.size) +
         ", \"modified\": " + JsonString(Time(file.modified, true)) + "}";
}

int ListPrefixes(const Options& options) {
  const std::vector<platform::WinePrefix> prefixes = platform::DiscoverWinePrefixes();
  const std::string default_folder = DefaultPrefixFolder();
  if (options.json) {
    std::string text = "{\"prefixes\": [";
    for (std::size_t i = 0; i < prefixes.size(); ++i) {
      const platform::WinePrefix& p = prefixes[i];
      text += std::string(i ? ", " : "") + "{\"number\": " + std::to_string(i + 1) +
              ", \"name\": " + JsonString(p.name) + ", \"path\": " + JsonString(p.path) +
              ", \"source\": " + JsonString(platform::PrefixSourceName(p.source)) +
              ", \"system_reg\": " + FileJson(p.system_reg) + ", \"user_reg\": " + FileJson(p.user_reg) +
              ", \"last_change\": " + JsonString(Time(p.LastChange(), true)) +
              ", \"in_use\": " + (p.in_use ? "true" : "false") +
              ", \"default\": " + (p.real_path == default_folder ? "true" : "false") + "}";
    }
    std::fputs((text + "]}\n").c_str(), stdout);
    return kExitOk;
  }
  if (prefixes.empty()) {
    std::printf("No Wine prefixes found. Add one with 'clarivo-cli prefixes add DIR'.\n");
    return kExitOk;
  }
  const int width = static_cast<int>(std::to_string(prefixes.size()).size());
  bool marked = false;
  for (std::size_t i = 0; i < prefixes.size(); ++i) {
    const platform::WinePrefix& p = prefixes[i];
    const bool is_default = p.real_path == default_folder;
    marked = marked || is_default;
    std::printf("%*zu%s %s (%s)\n", width, i + 1, is_default ? "*" : " ", Printable(p.name).c_str(),
                std::string(platform::PrefixSourceName(p.source)).c_str());
    std::printf("%*s  %s\n", width, "", Printable(p.path).c_str());
    std::printf("%*s  system.reg %s, user.reg %s, last change %s%s\n", width, "",
                Size(p.system_reg.size).c_str(), Size(p.user_reg.size).c_str(),
                Time(p.LastChange(), false).c_str(), p.in_use ? ", in use by Wine" : "");
  }
  if (marked) std::printf("* the registry used when --registry is not given\n");
  return kExitOk;
}

}  // namespace

int RunPrefixes(const Options& options) {
  const std::vector<std::string>& words = options.arguments;
  if (words.empty()) return ListPrefixes(options);
  const std::string usage_line = "Usage: clarivo-cli prefixes [--json] | add DIR | remove DIR\n";
  if ((words[0] != "add" && words[0] != "remove") || options.json) {
    PrintError(options.json ? "--json only lists the prefixes" : "unknown word '" + words[0] + "'");
    std::fputs(usage_line.c_str(), stderr);
    return kExitUsage;
  }
  Options rest = options;
  rest.arguments.erase(rest.arguments.begin());
  if (!CheckArgumentCount(rest, 1, usage_line)) return kExitUsage;
  const platform::DiscoveryPlaces places = platform::DiscoveryPlaces::FromEnvironment();
  std::string error;
  if (words[0] == "add") {
    if (!platform::IsWinePrefix(words[1], &error)) {
      PrintError("no Wine prefix at " + words[1] + ": " + error);
      return kExitUsage;
    }
    if (!platform::AddUserPrefix(places, words[1], &error)) {
      PrintError(error);
      return kExitBackup;
    }
    std::printf("Added %s to %s\n", Printable(words[1]).c_str(),
                Printable(platform::UserPrefixListPath(places)).c_str());
    return kExitOk;
  }
  if (!platform::RemoveUserPrefix(places, words[1], &error)) {
    PrintError(error);
    return kExitUsage;
  }
  std::printf("Removed %s from %s\n", Printable(words[1]).c_str(),
              Printable(platform::UserPrefixListPath(places)).c_str());
  return kExitOk;
}

}  // namespace cli
