#include "app/core/autostart.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "app/core/atomic_file.h"
#include "app/core/program_paths.h"
#include "app/core/user_interface.h"

namespace clarivo {
namespace {

std::string AutostartDir() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/autostart";
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] == '/' ? home : "/tmp") + "/.config/autostart";
}

// The desktop-entry string escapes: \s \n \t \r \\.
std::string UnescapeString(std::string_view v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 == v.size()) {
      out += v[i];
      continue;
    }
    char c = v[++i];
    out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
  }
  return out;
}

struct Entry {
  std::optional<std::string> exec;
  bool hidden = false;
};

// Reads the keys of group [Desktop Entry] that decide whether it starts us.
Entry ParseEntry(std::string_view text) {
  Entry entry;
  bool in_group = false;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      in_group = line == "[Desktop Entry]";
      continue;
    }
    if (!in_group) continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    std::string_view value = line.substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (key == "Exec" && !entry.exec) entry.exec = UnescapeString(value);
    if (key == "Hidden" && value == "true") entry.hidden = true;
    if (key == "X-GNOME-Autostart-enabled" && value == "false") entry.hidden = true;
  }
  return entry;
}

}  // namespace

std::string AutostartEntryPath() { return AutostartDir() + "/" + kAutostartName + ".desktop"; }

std::string DesktopExecValue(std::string_view program) {
  // Quoting rule of Exec: inside double quotes, " ` $ \ take a backslash;
  // a literal % is written %%. Then the general string escapes apply.
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string out;
  for (char c : quoted) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

bool ParseDesktopExecProgram(std::string_view exec, std::string* program) {
  std::string arg;
  std::size_t i = 0;
  if (!exec.empty() && exec.front() == '"') {
    for (i = 1; i < exec.size() && exec[i] != '"'; ++i) {
      if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
      arg += exec[i];
    }
    if (i == exec.size()) return false;  // no closing quote
    ++i;
  } else {
    while (i < exec.size() && exec[i] != ' ') arg += exec[i++];
  }
  while (i < exec.size() && exec[i] == ' ') ++i;
  if (i != exec.size() || arg.empty()) return false;  // arguments follow
  std::string out;
  for (std::size_t k = 0; k < arg.size(); ++k) {
    if (arg[k] == '%') {
      if (k + 1 < arg.size() && arg[k + 1] == '%') {
        out += '%';
        ++k;
        continue;
      }
      return false;  // a field code: not a bare program
    }
    out += arg[k];
  }
  *program = out;
  return true;
}

bool IsAutoStart() {
  std::string error;
  std::optional<std::string> text = ReadWholeFile(AutostartEntryPath(), &error);
  if (!text) {
    if (!error.empty()) UserInterface().MessageBox(u"fail to open reg key");
    return false;
  }
  Entry entry = ParseEntry(*text);
  std::string program;
  return !entry.hidden && entry.exec && ParseDesktopExecProgram(*entry.exec, &program) &&
         program == ExecutablePath();
}

bool SetAutoStart(bool enable) {
  const std::string path = AutostartEntryPath();
  std::string error;
  if (!MakeDirectories(AutostartDir(), 0700, &error) || access(AutostartDir().c_str(), W_OK) != 0) {
    UserInterface().MessageBox(u"fail to open reg key");
    return false;
  }
  // Like deleting a registry value: nothing to delete is a failed deletion.
  if (!enable) return unlink(path.c_str()) == 0;
  std::string content =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Clarivo\n"
      "Exec=" +
      DesktopExecValue(ExecutablePath()) +
      "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  return WriteFileAtomically(path, content, 0644);
}

}  // namespace clarivo
