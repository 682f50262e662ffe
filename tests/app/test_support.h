// Shared pieces of the core's tests: a private temporary folder, a program
// sandbox (profile, ini and executable path inside it) and a user interface
// that records what would have been shown.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "app/core/profile.h"
#include "app/core/program_paths.h"
#include "app/core/user_interface.h"
#include "platform/text.h"

namespace clarivo::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "clarivo-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteText(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class RecordingUi : public IUserInterface {
 public:
  void MessageBox(const std::u16string& text) override {
    std::lock_guard lock(mutex);
    messages.push_back(platform::ToUtf8(text));
  }
  int ShowHtmlMessage(const std::string& page, HtmlDialogSize, const std::u16string& title,
                      const std::u16string& body) override {
    std::lock_guard lock(mutex);
    html_pages.push_back(page + "|" + platform::ToUtf8(title) + "|" + platform::ToUtf8(body));
    return html_answer;
  }
  bool AskYesNo(const std::u16string& text) override {
    std::lock_guard lock(mutex);
    questions.push_back(platform::ToUtf8(text));
    return answer_yes;
  }
  void ShowMainWindow() override {
    std::lock_guard lock(mutex);
    ++main_window_shown;
  }

  std::mutex mutex;
  std::vector<std::string> messages;
  std::vector<std::string> html_pages;
  std::vector<std::string> questions;
  bool answer_yes = false;
  int html_answer = kDialogOk;
  int main_window_shown = 0;
};

// The program "Clarivo" installed in <tmp>/bin, its profile in <tmp>/config.
class ProgramSandbox : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    had_config_home_ = old != nullptr;
    if (old) old_config_home_ = old;
    setenv("XDG_CONFIG_HOME", config_home().c_str(), 1);
    std::filesystem::create_directories(bin_dir());
    WriteText(executable(), "");
    SetExecutablePath(executable());
    SetProfileRoot(kCompanyKey);  // a test before may have pointed it elsewhere
    previous_ui_ = SetUserInterface(&ui_);
  }
  void TearDown() override {
    SetUserInterface(previous_ui_);
    SetProfileRoot(kCompanyKey);
    SetExecutablePath({});
    if (had_config_home_) {
      setenv("XDG_CONFIG_HOME", old_config_home_.c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
  }

  std::string bin_dir() const { return tmp_ / "bin"; }
  std::string executable() const { return bin_dir() + "/Clarivo"; }
  std::string ini_path() const { return bin_dir() + "/Clarivo.ini"; }
  std::string config_home() const { return tmp_ / "config"; }
  std::string profile_dir() const { return config_home() + "/Quorvex-Clarivo/Clarivo"; }

  TempDir tmp_;
  RecordingUi ui_;

 private:
  IUserInterface* previous_ui_ = nullptr;
  bool had_config_home_ = false;
  std::string old_config_home_;
};

}  // namespace clarivo::testing
