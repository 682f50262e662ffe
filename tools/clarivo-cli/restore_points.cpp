#include "tools/clarivo-cli/restore_points.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/core/ini.h"
#include "app/core/program_paths.h"
#include "app/core/user_interface.h"
#include "platform/text.h"
#include "tools/clarivo-cli/commands.h"
#include "tools/clarivo-cli/engine_binding.h"

namespace cli {
namespace {

class CliUserInterface : public clarivo::IUserInterface {
 public:
  void MessageBox(const std::u16string& text) override { PrintError(platform::ToUtf8(text)); }
  int ShowHtmlMessage(const std::string&, clarivo::HtmlDialogSize, const std::u16string&,
                      const std::u16string&) override {
    return clarivo::kDialogCancel;
  }
  bool AskYesNo(const std::u16string& text) override {
    PrintError(platform::ToUtf8(text) + " (answered no)");
    return false;
  }
  void ShowMainWindow() override {}
};

CliUserInterface g_interface;

}  // namespace

std::string StoreFolder(const Options& options) {
  if (options.backup_dir) {
    // Absolute, so that the paths printed (the "To undo" line) work from anywhere.
    std::string dir = std::filesystem::absolute(*options.backup_dir).lexically_normal().string();
    return dir.empty() || dir.back() == '/' ? dir : dir + "/";
  }
  clarivo::SetExecutablePath(ExecutableFolder() + "/Clarivo");
  return clarivo::DefaultStoreFolder();
}

StoreMessages::StoreMessages() { clarivo::SetUserInterface(&g_interface); }
StoreMessages::~StoreMessages() { clarivo::SetUserInterface(nullptr); }

bool IsPointNumber(const std::string& word) {
  return !word.empty() && word.size() <= 9 && word.find_first_not_of("0123456789") == std::string::npos;
}

std::optional<int> PointIndex(const clarivo::RestorePointStore& store, const std::string& word,
                              std::string* error) {
  const int count = static_cast<int>(store.points().size());
  if (!IsPointNumber(word) || std::stoi(word) < 1 || std::stoi(word) > count) {
    *error = "no restore point " + word + " (there " +
             (count == 1 ? std::string("is 1") : "are " + std::to_string(count)) +
             "; see 'clarivo-cli backups')";
    return std::nullopt;
  }
  return std::stoi(word) - 1;
}

bool AskOnTerminal(const std::string& question) {
  // With the output sent to a file the question must still reach the user.
  std::FILE* out = isatty(STDOUT_FILENO) ? stdout : stderr;
  std::fprintf(out, "%s [y/N] ", question.c_str());
  std::fflush(out);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

std::string PointTime(const clarivo::RestorePoint& point) {
  const std::string text = clarivo::FormatOleDate(point.created.date, "%Y-%m-%d %H:%M:%S");
  return text.empty() ? "(invalid date)" : text;
}

}  // namespace cli
