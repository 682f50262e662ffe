#include "tools/ShowHelp/show_help.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace show_help {
namespace {

std::string LanguageOf(std::string locale) {
  const std::size_t cut = locale.find_first_of("_.@");
  if (cut != std::string::npos) locale.resize(cut);
  if (locale == "C" || locale == "POSIX") return {};
  return locale;
}

void Add(std::vector<std::string>& list, const std::string& language) {
  if (!language.empty() && std::find(list.begin(), list.end(), language) == list.end()) {
    list.push_back(language);
  }
}

bool IsFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::vector<std::string> PreferredLanguages() {
  std::vector<std::string> list;
  if (const char* value = std::getenv("LANGUAGE")) {
    const std::string text = value;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find(':', start);
      if (end == std::string::npos) end = text.size();
      Add(list, LanguageOf(text.substr(start, end - start)));
      start = end + 1;
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = std::getenv(name)) Add(list, LanguageOf(value));
  }
  return list;
}

std::string HelpPage(const std::string& help_dir, const std::vector<std::string>& languages) {
  const std::filesystem::path dir(help_dir);
  for (const std::string& language : languages) {
    // A language is a folder name of ours, never a path.
    if (language.find('/') != std::string::npos || language == "." || language == "..") continue;
    const std::filesystem::path page = dir / language / "index.html";
    if (IsFile(page)) return page.string();
  }
  const std::filesystem::path page = dir / "index.html";
  return IsFile(page) ? page.string() : std::string();
}

std::string FileUri(const std::string& absolute_path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const unsigned char c : absolute_path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

bool IsTopic(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
  });
}

OpenResult OpenInBrowser(const std::string& uri) {
  OpenResult result;
  std::string program = "xdg-open";
  std::string argument = uri;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ);
  if (error != 0) {
    result.error = error;
    return result;
  }
  result.started = true;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      result.exit_code = -1;
      return result;
    }
  }
  if (WIFEXITED(status)) {
    result.exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.exit_code = 128 + WTERMSIG(status);
  }
  return result;
}

}  // namespace show_help
