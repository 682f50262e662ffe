// Shared ground of the scanner tests: an engine over a FakeSystem, a progress
// recorder and a readable copy of a type's findings.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"
#include "platform/text.h"
#include "tests/engine/fake_system.h"

namespace clarivo_test {

inline constexpr platform::RegKey kHkcr = platform::kClassesRoot;
inline constexpr platform::RegKey kHkcu = platform::kCurrentUser;
inline constexpr platform::RegKey kHklm = platform::kLocalMachine;

struct Progress {
  int type;
  std::string text;
  int percent;
  int count;
  bool operator==(const Progress&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Progress& p) {
  return os << "{" << p.type << ", \"" << p.text << "\", " << p.percent << "%, " << p.count << "}";
}

struct Finding {
  std::string name;
  std::string key;
  bool operator==(const Finding&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Finding& f) {
  return os << "{\"" << f.name << "\", \"" << f.key << "\"}";
}

// Records every report; can ask the engine to stop after a given report.
class Recorder : public Function::ICallback {
 public:
  bool OnProgress(const Function::RegProgressInfo* info) override {
    reports.push_back({info->type, platform::ToUtf8(info->text), info->percent, info->count});
    if (engine != nullptr && stop_after == static_cast<int>(reports.size())) engine->SetStopFlag(1);
    return true;
  }
  std::vector<Progress> reports;
  Function::CRegEngine* engine = nullptr;
  int stop_after = -1;
};

class ScanTest : public ::testing::Test {
 protected:
  ScanTest() {
    auto fake = std::make_unique<FakeSystem>();
    sys = fake.get();
    engine = std::make_unique<Function::CRegEngine>(std::move(fake));
    recorder.engine = engine.get();
  }

  // Runs a scanner the way Scan does: on an emptied list.
  void Run(int type, const std::function<void(Function::CRegEngine&, Function::ICallback*)>& scanner,
           bool with_callback = true) {
    engine->items(type).clear();
    scanner(*engine, with_callback ? &recorder : nullptr);
  }

  const std::vector<Function::RegProblemItem>& Items(int type) { return engine->items(type); }

  std::vector<Finding> Findings(int type) {
    std::vector<Finding> out;
    for (const auto& item : engine->items(type)) {
      out.push_back({platform::ToUtf8(item.name), platform::ToUtf8(item.key)});
    }
    return out;
  }

  // Every item has its type, is selected, is numbered 0, 1, 2, ... and carries
  // the icon of its source.
  void ExpectWellFormed(int type, const std::vector<std::u16string>& icon_sources) {
    const auto& items = engine->items(type);
    ASSERT_EQ(items.size(), icon_sources.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(items[i].type, type);
      EXPECT_EQ(items[i].selected, 1);
      EXPECT_EQ(items[i].index, static_cast<int>(i));
      EXPECT_EQ(items[i].icon, Function::GetExtensionIcon(*engine, icon_sources[i])) << "item " << i;
    }
  }

  static std::u16string U(std::string_view utf8) { return platform::ToUtf16(utf8); }

  FakeSystem* sys = nullptr;
  std::unique_ptr<Function::CRegEngine> engine;
  Recorder recorder;
};

}  // namespace clarivo_test
