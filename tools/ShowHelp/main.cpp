// ShowHelp: opens Clarivo's help in the desktop's default browser.
//   ShowHelp default   the help page, in the user's language when we have it
//   ShowHelp TOPIC     the same page at the section TOPIC (an anchor)
// The pages live in Help/ beside this program. Exit status 0 when xdg-open
// took the page; otherwise a message on standard error and status 1 (2 for
// a wrong command line).
#include <cstdio>
#include <cstring>
#include <string>

#include "app/core/program_paths.h"
#include "app/core/translation.h"
#include "tools/ShowHelp/show_help.h"

namespace {

void Fail(const char* message_id, const std::string& detail) {
  std::fprintf(stderr, "ShowHelp: %s %s\n", clarivo::TranslateUtf8(message_id).c_str(), detail.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  // Speak the program's language: its ini file and catalogue beside us.
  clarivo::SetExecutablePath(clarivo::ExecutableDir() + "/Clarivo");
  clarivo::SetUpTranslation();

  const std::string topic = argc == 2 ? argv[1] : "";
  if (argc != 2 || !show_help::IsTopic(topic)) {
    std::fprintf(stderr, "%s\n", clarivo::TranslateUtf8(N_("Usage: ShowHelp default")).c_str());
    return 2;
  }
  const std::string help_dir = clarivo::ExecutableDir() + "/Help";
  const std::string page = show_help::HelpPage(help_dir, show_help::PreferredLanguages());
  if (page.empty()) {
    Fail(N_("The help page is missing:"), help_dir + "/index.html");
    return 1;
  }
  std::string uri = show_help::FileUri(page);
  if (topic != "default") uri += "#" + topic;

  const show_help::OpenResult opened = show_help::OpenInBrowser(uri);
  if (!opened.started) {
    Fail(
        N_("xdg-open could not be started (install the package xdg-utils). Open this page in a web browser:"),
        uri + " (" + std::strerror(opened.error) + ")");
    return 1;
  }
  if (opened.exit_code != 0) {
    Fail(N_("xdg-open could not open the help page. Open it in a web browser:"),
         uri + " (xdg-open: " + std::to_string(opened.exit_code) + ")");
    return 1;
  }
  return 0;
}
