#include "system_facts.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tweaks::overview {
namespace {

// Marks a fact label for the catalogue; the view translates it when shown.
#define N_(text) text

std::string ReadFile(const char* path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// os-release values may be quoted with ' or " and use backslash escapes.
std::string Unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    out += value[i];
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '<':
        out += "\\u003c";
        break;  // never closes the page's script
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace

std::string DistributionFromOsRelease(const std::string& text) {
  std::string pretty, name, version;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos || line[0] == '#') continue;
    std::string key = line.substr(0, eq);
    std::string value = Unquote(line.substr(eq + 1));
    if (key == "PRETTY_NAME") pretty = value;
    if (key == "NAME") name = value;
    if (key == "VERSION") version = value;
  }
  if (!pretty.empty()) return pretty;
  if (!name.empty() && !version.empty()) return name + " " + version;
  return name;
}

Memory MemoryFromMeminfo(const std::string& text) {
  Memory memory;
  std::istringstream lines(text);
  std::string key;
  uint64_t kib = 0;
  std::string unit;
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    if (!(fields >> key >> kib)) continue;
    if (key == "MemTotal:") memory.total = kib * 1024;
    if (key == "MemAvailable:") memory.available = kib * 1024;
  }
  return memory;
}

std::string FormatBytes(uint64_t bytes) {
  static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double value = static_cast<double>(bytes);
  int unit = 0;
  while (value >= 1024.0 && unit < 5) {
    value /= 1024.0;
    ++unit;
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f %s", value, units[unit]);
  return buffer;
}

std::vector<std::pair<std::string, std::string>> CollectFacts(const std::string& homeFolder) {
  std::vector<std::pair<std::string, std::string>> facts;
  std::string distribution = DistributionFromOsRelease(ReadFile("/etc/os-release"));
  if (distribution.empty()) distribution = DistributionFromOsRelease(ReadFile("/usr/lib/os-release"));
  facts.emplace_back(N_("Distribution"), distribution.empty() ? "unknown" : distribution);

  struct utsname uts {};
  if (uname(&uts) == 0) {
    facts.emplace_back(N_("Kernel"), std::string(uts.sysname) + " " + uts.release);
    facts.emplace_back(N_("Architecture"), uts.machine);
    facts.emplace_back(N_("Computer name"), uts.nodename);
  }
  long cpus = sysconf(_SC_NPROCESSORS_ONLN);
  if (cpus > 0) facts.emplace_back(N_("Processors"), std::to_string(cpus));

  Memory memory = MemoryFromMeminfo(ReadFile("/proc/meminfo"));
  if (memory.total > 0) {
    facts.emplace_back(N_("Memory"), FormatBytes(memory.total));
    facts.emplace_back(N_("Memory available"), FormatBytes(memory.available));
  }

  struct statvfs disk {};
  if (!homeFolder.empty() && statvfs(homeFolder.c_str(), &disk) == 0 && disk.f_blocks > 0) {
    uint64_t total = static_cast<uint64_t>(disk.f_blocks) * disk.f_frsize;
    uint64_t free = static_cast<uint64_t>(disk.f_bavail) * disk.f_frsize;
    uint64_t used = total - static_cast<uint64_t>(disk.f_bfree) * disk.f_frsize;
    unsigned percent = static_cast<unsigned>(used * 100 / total);
    facts.emplace_back(N_("Home folder"), homeFolder);
    facts.emplace_back(N_("Disk used"), FormatBytes(used) + " / " + FormatBytes(total) + " (" +
                                            std::to_string(percent) + " %)");
    facts.emplace_back(N_("Disk free"), FormatBytes(free));
  }
  return facts;
}

std::string FactsScript(const std::string& heading,
                        const std::vector<std::pair<std::string, std::string>>& facts) {
  std::string script = "window.tweaksHeading = " + JsonString(heading) + ";\nwindow.tweaksFacts = [\n";
  for (const auto& [label, value] : facts) {
    script += "  {label: " + JsonString(label) + ", value: " + JsonString(value) + "},\n";
  }
  return script + "];\n";
}

}  // namespace tweaks::overview
