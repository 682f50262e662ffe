// The cleaning controller: binds the engine func_Clarivo, runs scans and
// fixes on worker threads, keeps the progress the pages show and the current
// result, and guards against starting work while work runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "app/core/dll_loader.h"
#include "app/core/scan_result.h"
#include "shared/clean_reg.h"

namespace clarivo {

class RestorePointStore;

inline constexpr char kEngineFileName[] = "func_Clarivo.so";
inline constexpr char kSetTipFileName[] = "SetTip";
inline constexpr int kCategoryPauseMs = 200;

// What the scanning page shows while a scan runs; copied as a whole.
struct ScanProgress {
  std::int32_t categoriesTotal = 0;
  std::int32_t categoriesDone = 0;
  std::int32_t seriousTotal = 0;
  std::int32_t seriousDone = 0;
  std::int32_t generalTotal = 0;
  std::int32_t generalDone = 0;
  std::int32_t selectedMask = 0;
  std::int32_t doneMask = 0;
  std::int32_t currentCategory = 0;
  std::u16string currentText;
  std::int32_t textCategory = 0;
  std::int32_t seriousFound = 0;
  std::int32_t generalFound = 0;
  std::int32_t currentFound = 0;
  std::map<std::int32_t, std::int32_t> foundByCategory;
};

// The scan listener: the scanning page.
class IScanCB {
 public:
  virtual void OnScanBegin() = 0;                               // slot 0, lock held
  virtual void OnScanStopped() = 0;                             // slot 1, worker, lock held
  virtual void OnScanCompleted() = 0;                           // slot 2, worker, lock held
  virtual bool OnScanLocation(const std::u16string& text) = 0;  // slot 3; false asks to stop
  virtual bool OnScanReserved(int value) = 0;                   // slot 4, never called
  virtual void OnCategoryBegin(int category) = 0;               // slot 5
  virtual void OnCategoryEnd(int category) = 0;                 // slot 6

 protected:
  ~IScanCB() = default;
};

// The fix listener: the fixing view.
class IFixCB {
 public:
  virtual void OnFixBegin() = 0;  // slot 0
  virtual void OnFixEnd() = 0;    // slot 1

 protected:
  ~IFixCB() = default;
};

class CRegScan : public Function::ICallback {
 public:
  // The one controller of the program, created on first use.
  static CRegScan& GetInstance();

  // Loads the stored result, binds the engine beside the executable and fills
  // the engine-type map.
  CRegScan();
  virtual ~CRegScan();
  CRegScan(const CRegScan&) = delete;
  CRegScan& operator=(const CRegScan&) = delete;

  // (Re)loads func_Clarivo.so from the executable's folder and creates a
  // fresh engine; both failures are shown.
  void BindEngine();
  // groups: bit 0 the serious group, bit 1 the general group. With a
  // listener the run goes on a detached worker, else on this thread. False
  // (and nothing started) when no engine could be created.
  bool StartScan(int groups, IScanCB* listener);
  void BeginScan(int mask, IScanCB* listener);
  void RunScan();
  bool OnProgress(const Function::RegProgressInfo* info) override;
  void EndScan();
  // With a listener on a detached worker, else on this thread.
  void StartFix(IFixCB* listener);
  void RunFix();
  // Shows "Busy.html" and answers true while a scan, fix, backup or restore runs.
  bool IsBusy();

  bool LoadLastResult();
  bool SaveLastResult();

  // A copy of the progress, taken under the lock.
  ScanProgress GetProgress();
  // A copy of the current result, taken under the lock.
  ScanResult GetResult();
  bool busy() const { return busy_; }
  bool scan_finished() const { return scan_finished_; }
  bool has_engine() const { return engine_ != nullptr; }
  std::recursive_mutex& lock() { return lock_; }

  // The backup store whose busy flag and last backup count; by default the
  // program's own. Not owned.
  void set_backup_store(RestorePointStore* store) { backup_store_ = store; }
  RestorePointStore& backup_store();

 private:
  void FinishCounts();
  void StopEnding();
  void ReleaseEngine();
  int IniInt(const char* section, const char* key, int default_value);

  ScanResult result_;
  std::atomic<bool> busy_ = false;
  IScanCB* scan_listener_ = nullptr;
  IFixCB* fix_listener_ = nullptr;
  ScanProgress progress_;
  std::recursive_mutex lock_;
  DllLoader loader_;
  Function::ICleanReg* engine_ = nullptr;
  std::map<std::int32_t, std::int32_t> engine_types_;
  std::atomic<bool> stop_requested_ = false;
  std::atomic<bool> scan_finished_ = false;
  std::atomic<bool> fixing_ = false;  // the scans inside a fix run leave busy set
  RestorePointStore* backup_store_ = nullptr;
};

// The busy guard of the pages: CRegScan::GetInstance().IsBusy().
bool IsBusy();

}  // namespace clarivo
