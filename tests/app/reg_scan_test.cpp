// The controller over the real func_Clarivo.so on a copy of the demo prefix:
// listener order, the stored result, a stop, thresholds, the fix run with its
// backup and restore, the dry run, and a missing engine.
#include "app/core/reg_scan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>

#include "app/core/categories.h"
#include "app/core/profile.h"
#include "tests/app/reg_test_support.h"

namespace clarivo {
namespace {

namespace fs = std::filesystem;

// Findings of the demo prefix by category bit (its README's table).
const std::map<std::int32_t, std::int32_t> kDemoFindings = {
    {0x0001, 2}, {0x0002, 2}, {0x0004, 5}, {0x0008, 2}, {0x0010, 2}, {0x0020, 2},
    {0x0040, 3}, {0x0080, 3}, {0x0200, 2}, {0x0400, 2}, {0x1000, 5}};
constexpr int kDemoSerious = 2 + 5 + 5;
constexpr int kDemoGeneral = 2 + 2 + 2 + 2 + 3 + 3 + 2 + 2;

class RecordingScanListener : public IScanCB {
 public:
  explicit RecordingScanListener(CRegScan& scan, int stop_in_category = 0)
      : scan_(scan), stop_in_category_(stop_in_category) {}

  void OnScanBegin() override { Record("begin"); }
  void OnScanStopped() override { Finish("stopped"); }
  void OnScanCompleted() override { Finish("completed"); }
  bool OnScanLocation(const std::u16string& text) override {
    std::lock_guard lock(mutex_);
    ++locations;
    if (text.empty()) ++empty_locations;
    // The location handed over is the one the progress holds.
    if (scan_.GetProgress().currentText != text) ++mismatched_locations;
    return categories_begun_ != stop_in_category_;
  }
  bool OnScanReserved(int) override {
    Record("reserved");
    return true;
  }
  void OnCategoryBegin(int category) override {
    // The lock is not held here: another thread can take it at once.
    std::thread([this] { std::lock_guard probe(scan_.lock()); }).join();
    std::lock_guard lock(mutex_);
    ++categories_begun_;
    events.push_back("category " + std::to_string(category) + " begin");
  }
  void OnCategoryEnd(int category) override { Record("category " + std::to_string(category) + " end"); }

  bool WaitForEnd() {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(120), [this] { return ended_; });
  }

  std::vector<std::string> events;
  int locations = 0;
  int empty_locations = 0;
  int mismatched_locations = 0;

 private:
  void Record(const std::string& what) {
    std::lock_guard lock(mutex_);
    events.push_back(what);
  }
  void Finish(const std::string& what) {
    Record(what);
    std::lock_guard lock(mutex_);
    ended_ = true;
    cv_.notify_all();
  }

  CRegScan& scan_;
  int stop_in_category_;
  int categories_begun_ = 0;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool ended_ = false;
};

class RecordingFixListener : public IFixCB {
 public:
  explicit RecordingFixListener(CRegScan& scan) : scan_(scan) {}
  void OnFixBegin() override {
    std::lock_guard lock(mutex_);
    events.push_back(scan_.busy() ? "fix begin busy" : "fix begin idle");
  }
  void OnFixEnd() override {
    std::lock_guard lock(mutex_);
    events.push_back(scan_.busy() ? "fix end busy" : "fix end idle");
    ended_ = true;
    cv_.notify_all();
  }
  bool WaitForEnd() {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(120), [this] { return ended_; });
  }
  std::vector<std::string> events;

 private:
  CRegScan& scan_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool ended_ = false;
};

// Waits until the run has ended and its worker has let go of the lock, so
// that the controller may be destroyed.
bool WaitUntilIdle(CRegScan& scan) {
  for (int i = 0; i < 500 && scan.busy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::lock_guard wait_for_worker(scan.lock());
  return !scan.busy();
}

std::map<std::int32_t, std::int32_t> Counts(const ScanResult& result) {
  std::map<std::int32_t, std::int32_t> counts;
  for (const auto& [bit, items] : result.findings) counts[bit] = static_cast<std::int32_t>(items.size());
  return counts;
}

class RegScanTest : public testing::DemoRegistrySandbox {
 protected:
  void SetUp() override {
    DemoRegistrySandbox::SetUp();
    InstallEngine();
    SetProfileRoot(kCompanyKey, "Clarivo");
    WriteIni("");
  }
  void WriteIni(const std::string& extra) {
    testing::WriteText(ini_path(), "[Deploy]\nRegBackup=" + (tmp_ / "backups/") + "\n" + extra);
  }
  std::string StoredResultBytes() {
    auto value = GetSettingBinary(kScanSection, kLastScanResultKey);
    return value ? std::string(value->begin(), value->end()) : std::string();
  }
};

TEST_F(RegScanTest, FullScanCallsTheListenerInOrderAndStoresTheResult) {
  CRegScan scan;
  EXPECT_TRUE(ui_.messages.empty());
  ASSERT_TRUE(scan.has_engine());
  RecordingScanListener listener(scan);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(scan.StartScan(3, &listener));
  EXPECT_TRUE(scan.busy());
  EXPECT_TRUE(scan.IsBusy());
  ASSERT_EQ(ui_.html_pages.size(), 1u);
  EXPECT_EQ(ui_.html_pages[0].substr(0, 10), "Busy.html|");
  ASSERT_TRUE(listener.WaitForEnd());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(15 * kCategoryPauseMs));
  EXPECT_TRUE(WaitUntilIdle(scan));
  EXPECT_FALSE(scan.IsBusy());
  EXPECT_EQ(ui_.html_pages.size(), 1u);

  std::vector<std::string> expected = {"begin"};
  for (const auto& [bit, count] : kDemoFindings) {
    expected.push_back("category " + std::to_string(bit) + " begin");
    expected.push_back("category " + std::to_string(bit) + " end");
  }
  expected.push_back("completed");
  EXPECT_EQ(listener.events, expected);
  EXPECT_GT(listener.locations, 30);
  EXPECT_EQ(listener.empty_locations, 0);
  EXPECT_EQ(listener.mismatched_locations, 0);

  const ScanProgress progress = scan.GetProgress();
  EXPECT_EQ(progress.categoriesTotal, 11);
  EXPECT_EQ(progress.categoriesDone, 11);
  EXPECT_EQ(progress.seriousTotal, 3);
  EXPECT_EQ(progress.seriousDone, 3);
  EXPECT_EQ(progress.generalTotal, 8);
  EXPECT_EQ(progress.generalDone, 8);
  EXPECT_EQ(progress.selectedMask, kFullScanMask);
  EXPECT_EQ(progress.doneMask, kFullScanMask);
  EXPECT_EQ(progress.seriousFound, kDemoSerious);
  EXPECT_EQ(progress.generalFound, kDemoGeneral);
  EXPECT_EQ(progress.foundByCategory, kDemoFindings);

  const ScanResult result = scan.GetResult();
  EXPECT_TRUE(result.has_result);
  EXPECT_EQ(Counts(result), kDemoFindings);
  EXPECT_EQ(result.serious, kDemoSerious);
  EXPECT_EQ(result.general, kDemoGeneral);
  EXPECT_EQ(result.total, kDemoSerious + kDemoGeneral);
  EXPECT_EQ(result.health_level, 2);  // no thresholds: any finding is poor
  EXPECT_GE(result.health_score, 40);
  EXPECT_LE(result.health_score, 49);
  EXPECT_NEAR(result.scan_time.date, OleDateNow().date, 10.0 / 86400);
  const ScanResultItem& item = result.findings.at(0x0200)[1];
  EXPECT_EQ(item, (ScanResultItem{u"HKEY_CURRENT_USER\\software\\Empty Vendor", 0x0200, 1}));
  EXPECT_EQ(result.findings.at(0x1000)[4].index, 4);

  // The stored value reads back field for field, in this and a new controller.
  ScanResult loaded;
  ASSERT_TRUE(LoadLastResult(loaded));
  EXPECT_EQ(loaded, result);
  CRegScan again;
  EXPECT_EQ(again.GetResult(), result);
  EXPECT_EQ(SetTipStarts(1), 1u);
}

TEST_F(RegScanTest, StopDuringTheThirdCategoryCountsTwoAndStoresNothing) {
  CRegScan scan;
  const std::string stored_before = StoredResultBytes();
  RecordingScanListener listener(scan, 3);
  ASSERT_TRUE(scan.StartScan(3, &listener));
  ASSERT_TRUE(listener.WaitForEnd());
  EXPECT_EQ(listener.events,
            (std::vector<std::string>{"begin", "category 1 begin", "category 1 end", "category 2 begin",
                                      "category 2 end", "category 4 begin", "stopped"}));
  const ScanProgress progress = scan.GetProgress();
  EXPECT_EQ(progress.categoriesDone, 2);
  EXPECT_EQ(progress.doneMask, 0x3);
  const ScanResult result = scan.GetResult();
  EXPECT_EQ(result.health_level, 0);
  EXPECT_EQ(result.health_score, 0);
  EXPECT_EQ(result.serious, 2);
  EXPECT_EQ(result.general, 2);
  EXPECT_EQ(result.total, 4);
  EXPECT_TRUE(result.findings.contains(0x4)) << "the stopped category keeps its entry";
  EXPECT_FALSE(result.findings.contains(0x8));
  EXPECT_TRUE(scan.scan_finished());
  EXPECT_TRUE(WaitUntilIdle(scan));
  EXPECT_EQ(StoredResultBytes(), stored_before);
  EXPECT_EQ(SetTipStarts(0), 0u);
}

TEST_F(RegScanTest, HealthLevelFollowsTheIniThresholds) {
  struct Case {
    const char* ini;
    int level;
    int lowest;
    int highest;
  };
  // A serious-group scan finds 12.
  for (const Case& c : {Case{"", 2, 40, 49}, Case{"[ErrorLevel]\nLevel_1_=11\nLevel_2_=12\n", 3, 60, 69},
                        Case{"[ErrorLevel]\nLevel_1_=12\nLevel_2_=50\n", 4, 90, 100},
                        Case{"[ErrorLevel]\nLevel_1_=-5\nLevel_2_=11\n", 2, 40, 49}}) {
    CRegScan scan;
    WriteIni(c.ini);  // read when the scan ends, not at creation
    ASSERT_TRUE(scan.StartScan(1, nullptr));
    const ScanResult result = scan.GetResult();
    EXPECT_EQ(result.total, kDemoSerious) << c.ini;
    EXPECT_EQ(result.general, 0);
    EXPECT_EQ(result.health_level, c.level) << c.ini;
    EXPECT_GE(result.health_score, c.lowest) << c.ini;
    EXPECT_LE(result.health_score, c.highest) << c.ini;
    EXPECT_EQ(Counts(result), (std::map<std::int32_t, std::int32_t>{{1, 2}, {4, 5}, {0x1000, 5}}));
  }
}

TEST_F(RegScanTest, FixBacksUpDeletesRescansAndRestoreUndoesIt) {
  const RegistryKeys before = ExportRegistry("before.reg");
  RestorePointStore store(tmp_ / "backups/");
  CRegScan scan;
  scan.set_backup_store(&store);
  ASSERT_TRUE(scan.StartScan(3, nullptr));
  SetSettingInt("Fix", "Total", 5);

  // Step 1 on the store's worker: the busy guard answers busy meanwhile.
  testing::RecordingBackupListener backup(store);
  store.listener = &backup;
  store.create_mode = true;
  store.StartWorker();
  EXPECT_TRUE(scan.IsBusy());
  EXPECT_EQ(ui_.html_pages, std::vector<std::string>{"Busy.html||"});
  ASSERT_TRUE(backup.WaitForEnd());
  for (int i = 0; i < 100 && store.busy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_FALSE(scan.IsBusy());
  ASSERT_TRUE(store.last_run_succeeded());
  RecordingFixListener listener(scan);
  scan.StartFix(&listener);
  EXPECT_TRUE(scan.busy());
  ASSERT_TRUE(listener.WaitForEnd());
  EXPECT_EQ(listener.events, (std::vector<std::string>{"fix begin busy", "fix end busy"}));
  EXPECT_TRUE(WaitUntilIdle(scan));
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0];

  // The rescan inside the fix found nothing and was stored.
  const ScanResult after_fix = scan.GetResult();
  EXPECT_EQ(after_fix.total, 0);
  EXPECT_EQ(after_fix.health_level, 4);
  ScanResult stored;
  ASSERT_TRUE(LoadLastResult(stored));
  EXPECT_EQ(stored.total, 0);
  EXPECT_EQ(GetSettingInt("Fix", "Total", 0), 5 + kDemoSerious + kDemoGeneral);
  EXPECT_EQ(SetTipStarts(2), 2u);
  const std::string fixed = ExportText("fixed.reg");
  EXPECT_EQ(fixed.find("[HKEY_CURRENT_USER\\Software\\Abandoned Vendor]"), std::string::npos);
  EXPECT_EQ(fixed.find("oldgame.hlp"), std::string::npos);

  // Restoring the point brings back every deleted key of both hives.
  store.create_mode = false;
  store.restore_index = 0;
  ASSERT_TRUE(store.Run());
  EXPECT_EQ(ExportRegistry("restored.reg"), before);
  ASSERT_TRUE(scan.StartScan(3, nullptr));
  EXPECT_EQ(Counts(scan.GetResult()), kDemoFindings);
}

TEST_F(RegScanTest, DryRunFixScansFirstDeletesNothingAndStillCounts) {
  // A stored result from an earlier run of the program: 3 serious, 4 general.
  ScanResult earlier;
  earlier.serious = 3;
  earlier.general = 4;
  earlier.total = 7;
  ASSERT_TRUE(SaveLastResult(earlier));
  WriteIni("[Test]\nIsRealFix=no\n");
  const RegistryKeys before = ExportRegistry("before.reg");
  CRegScan scan;
  EXPECT_FALSE(scan.scan_finished());
  scan.StartFix(nullptr);  // on this thread: scan, pretend, rescan
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"没有真的修复哦，只是模拟"});
  EXPECT_TRUE(scan.scan_finished());
  EXPECT_EQ(Counts(scan.GetResult()), kDemoFindings);
  EXPECT_EQ(GetSettingInt("Fix", "Total", 0), 7) << "the counts held when the fix began";
  EXPECT_EQ(ExportRegistry("after.reg"), before);
  EXPECT_EQ(SetTipStarts(2), 2u) << "the first scan and the rescan both end normally";
}

TEST_F(RegScanTest, FixAfterAFailedBackupDeletesNothing) {
  RestorePointStore store(tmp_ / "backups/");
  CRegScan scan;
  scan.set_backup_store(&store);
  ASSERT_TRUE(scan.StartScan(3, nullptr));
  const RegistryKeys before = ExportRegistry("before.reg");
  setenv("CLARIVO_REGISTRY", ("wine:" + (tmp_ / "missing")).c_str(), 1);
  store.create_mode = true;
  EXPECT_FALSE(store.Run());
  UseDemoRegistry();
  ASSERT_EQ(ui_.messages.size(), 1u);

  RecordingFixListener listener(scan);
  scan.StartFix(&listener);
  ASSERT_TRUE(listener.WaitForEnd());
  EXPECT_EQ(listener.events, (std::vector<std::string>{"fix begin busy", "fix end busy"}));
  EXPECT_TRUE(WaitUntilIdle(scan));
  EXPECT_EQ(ExportRegistry("after.reg"), before);
  EXPECT_EQ(GetSettingInt("Fix", "Total", 0), 0);
  EXPECT_EQ(scan.GetResult().total, kDemoSerious + kDemoGeneral);
}

TEST_F(RegScanTest, MissingEngineGivesBothMessagesAndRefusesToScan) {
  fs::remove(bin_dir() + "/func_Clarivo.so");
  {
    CRegScan scan;
    EXPECT_EQ(ui_.messages,
              (std::vector<std::string>{"fail to load func_Clarivo.dll", "fail to find symbol in dll"}));
    EXPECT_FALSE(scan.has_engine());
    RecordingScanListener listener(scan);
    EXPECT_FALSE(scan.StartScan(3, &listener));
    EXPECT_TRUE(listener.events.empty());
    RecordingFixListener fix(scan);
    scan.StartFix(&fix);
    ASSERT_TRUE(fix.WaitForEnd());
    EXPECT_TRUE(WaitUntilIdle(scan));
    EXPECT_FALSE(scan.GetResult().has_result);
  }
  // A library without the factory: only the second message.
  ui_.messages.clear();
  fs::create_symlink("/lib/x86_64-linux-gnu/libm.so.6", bin_dir() + "/func_Clarivo.so");
  CRegScan scan;
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"fail to find symbol in dll"});
  EXPECT_FALSE(scan.has_engine());
}

// Records messages and whether another thread could take the controller's
// lock while each was shown: a window reading the progress meanwhile must not
// wait for a message that waits for the window.
class LockProbingUi : public testing::RecordingUi {
 public:
  CRegScan* scan = nullptr;
  std::vector<bool> lock_free;
  void MessageBox(const std::u16string& text) override {
    RecordingUi::MessageBox(text);
    bool free = false;
    std::thread([&] {
      if (scan->lock().try_lock()) {
        free = true;
        scan->lock().unlock();
      }
    }).join();
    lock_free.push_back(free);
  }
};

TEST_F(RegScanTest, MissingSetTipIsShownAfterTheRunWhichStillCompletes) {
  fs::remove(bin_dir() + "/SetTip");
  CRegScan scan;
  LockProbingUi ui;
  ui.scan = &scan;
  IUserInterface* previous = SetUserInterface(&ui);
  ASSERT_TRUE(scan.StartScan(0, nullptr));  // nothing selected: only the pauses
  SetUserInterface(previous);
  EXPECT_EQ(ui.messages, std::vector<std::string>{bin_dir() + "/SetTip create fail"});
  EXPECT_EQ(ui.lock_free, std::vector<bool>{true});
  const ScanResult result = scan.GetResult();
  EXPECT_TRUE(result.has_result);
  EXPECT_EQ(result.total, 0);
  EXPECT_EQ(result.health_level, 4);
  EXPECT_TRUE(result.findings.empty());
}

}  // namespace
}  // namespace clarivo
