// Tests over the real engine and registry editor: a program sandbox with a
// copy of the demo prefix as the registry, func_Clarivo.so beside the
// program and a stand-in SetTip that records its starts.
#pragma once

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/restore_point_store.h"
#include "platform/process.h"
#include "tests/app/test_support.h"

namespace clarivo::testing {

// UTF-16LE bytes (after their byte order mark) as UTF-8.
inline std::string DecodeUtf16(const std::string& bytes) {
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return platform::ToUtf8(text);
}

class DemoRegistrySandbox : public ProgramSandbox {
 protected:
  void SetUp() override {
    ProgramSandbox::SetUp();
    if (const char* old = std::getenv("CLARIVO_REGISTRY")) old_registry_ = old;
    std::filesystem::copy(
        std::string(CLARIVO_SOURCE_DIR) + "/examples/demo-prefix", prefix(),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
    UseDemoRegistry();
  }
  void TearDown() override {
    if (old_registry_) {
      setenv("CLARIVO_REGISTRY", old_registry_->c_str(), 1);
    } else {
      unsetenv("CLARIVO_REGISTRY");
    }
    ProgramSandbox::TearDown();
  }

  std::string prefix() const { return tmp_ / "prefix"; }
  void UseDemoRegistry() { setenv("CLARIVO_REGISTRY", ("wine:" + prefix()).c_str(), 1); }

  static std::string Regedit() { return std::string(CLARIVO_BIN_DIR) + "/clarivo-regedit"; }
  // Exit status of clarivo-regedit with `arguments` (already quoted).
  int RunRegedit(const std::string& arguments) {
    const platform::RunResult r = platform::RunHidden(platform::QuoteForShell(Regedit()) + " " + arguments);
    return r.started ? r.exit_code : -1;
  }
  // Both hives of the registry as clarivo-regedit exports them, as UTF-8.
  std::string ExportText(const std::string& name) {
    const std::string file = tmp_ / name;
    EXPECT_EQ(RunRegedit("/e " + platform::QuoteForShell(file)), 0);
    return DecodeUtf16(ReadText(file));
  }
  // The export as key line -> its value lines: values have no order.
  using RegistryKeys = std::map<std::string, std::multiset<std::string>>;
  RegistryKeys ExportRegistry(const std::string& name) {
    RegistryKeys keys;
    std::istringstream in(ExportText(name));
    std::string line, logical, current;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      logical += line;
      if (!logical.empty() && logical.back() == '\\') {  // continued on the next line
        logical.pop_back();
        continue;
      }
      if (logical.starts_with("[")) {
        current = logical;
        keys[current];
      } else if (!logical.empty() && !current.empty()) {
        keys[current].insert(logical);
      }
      logical.clear();
    }
    return keys;
  }

  // func_Clarivo.so beside the program, and a SetTip that appends a line to
  // settip.log each time it starts.
  void InstallEngine() {
    std::filesystem::create_symlink(std::string(CLARIVO_BIN_DIR) + "/func_Clarivo.so",
                                    bin_dir() + "/func_Clarivo.so");
    WriteText(bin_dir() + "/SetTip", "#!/bin/sh\necho started >> '" + SetTipLog() + "'\n");
    std::filesystem::permissions(bin_dir() + "/SetTip", std::filesystem::perms::owner_all);
  }
  std::string SetTipLog() const { return tmp_ / "settip.log"; }
  // Lines SetTip has written, waiting up to two seconds for `expected`.
  std::size_t SetTipStarts(std::size_t expected) const {
    std::size_t lines = 0;
    for (int i = 0; i < 200; ++i) {
      const std::string log = ReadText(SetTipLog());
      lines = static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
      if (lines >= expected) break;
      usleep(10000);
    }
    return lines;
  }

 private:
  std::optional<std::string> old_registry_;
};

// Records the store's listener calls with the busy flag seen in each.
class RecordingBackupListener : public IRegBackupCB {
 public:
  explicit RecordingBackupListener(const RestorePointStore& store) : store_(store) {}
  void OnBackupBegin() override { Record("begin"); }
  void OnBackupEnd() override {
    Record("end");
    std::lock_guard lock(mutex_);
    ended_ = true;
    cv_.notify_all();
  }
  bool WaitForEnd() {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(60), [this] { return ended_; });
  }

  std::vector<std::string> calls;

 private:
  void Record(const std::string& what) {
    std::lock_guard lock(mutex_);
    calls.push_back(what + (store_.busy() ? " busy" : " idle"));
  }

  const RestorePointStore& store_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool ended_ = false;
};

}  // namespace clarivo::testing
