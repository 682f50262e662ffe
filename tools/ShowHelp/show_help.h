// What ShowHelp does: find the help page for the user's language and hand
// it to the desktop's default browser through xdg-open.
#pragma once

#include <string>
#include <vector>

namespace show_help {

// The languages the user asked for, best first: the entries of LANGUAGE
// (a colon-separated list), then LC_ALL, LC_MESSAGES and LANG, each cut
// before '_', '.' or '@' ("de_DE.UTF-8" gives "de"); "C" and "POSIX" are
// skipped, duplicates dropped.
std::vector<std::string> PreferredLanguages();

// `help_dir`/<language>/index.html for the first language that has one,
// else `help_dir`/index.html; empty when that is missing too.
std::string HelpPage(const std::string& help_dir, const std::vector<std::string>& languages);

// A file: URI for an absolute path; every byte but unreserved characters and
// '/' is percent-encoded, so spaces and non-ASCII names survive.
std::string FileUri(const std::string& absolute_path);

// A topic is an anchor of the help page: letters, digits and '-' only.
bool IsTopic(const std::string& text);

struct OpenResult {
  bool started = false;  // false: xdg-open could not be started
  int exit_code = 0;     // its exit status when started (128 + n after signal n)
  int error = 0;         // errno of a failed start
};

// Runs "xdg-open URI" (found on PATH, no shell in between) and waits for it.
OpenResult OpenInBrowser(const std::string& uri);

}  // namespace show_help
