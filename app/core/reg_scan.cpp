#include "app/core/reg_scan.h"

#include <bit>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/core/categories.h"
#include "app/core/ini.h"
#include "app/core/process_start.h"
#include "app/core/profile.h"
#include "app/core/program_paths.h"
#include "app/core/restore_point_store.h"
#include "app/core/user_interface.h"
#include "platform/text.h"

namespace clarivo {
namespace {

constexpr char kDryRunMessage[] = "没有真的修复哦，只是模拟";

void Show(const std::string& text) { UserInterface().MessageBox(platform::ToUtf16(text)); }

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(kCategoryPauseMs)); }

std::u16string ProgressText(const Function::RegProgressInfo& info) {
  std::size_t length = 0;
  while (length < Function::kTextUnits && info.text[length] != 0) ++length;
  return std::u16string(info.text, length);
}

std::u16string KeyText(const Function::RegProblemItem& item) {
  std::size_t length = 0;
  while (length < Function::kTextUnits && item.key[length] != 0) ++length;
  return std::u16string(item.key, length);
}

}  // namespace

CRegScan& CRegScan::GetInstance() {
  static CRegScan controller;
  return controller;
}

CRegScan::CRegScan() {
  result_.scan_time = {0.0, kOleDateValid};
  result_.health_level = 1;
  result_.has_result = clarivo::LoadLastResult(result_);
  BindEngine();
  for (int n = 1; n <= kCategoryBitCount; ++n) engine_types_[1 << (n - 1)] = n;
}

CRegScan::~CRegScan() { ReleaseEngine(); }

void CRegScan::ReleaseEngine() {
  // The engine object lives in the library: release it before unloading.
  if (engine_ != nullptr) engine_->Release();
  engine_ = nullptr;
  loader_.Unload();
}

int CRegScan::IniInt(const char* section, const char* key, int default_value) {
  return CIni::GetInstance().GetInt(section, key, default_value);
}

void CRegScan::BindEngine() {
  ReleaseEngine();
  const std::string path = ExecutableDir() + "/" + kEngineFileName;
  if (!loader_.Load(path.c_str())) Show("fail to load func_Clarivo.dll");
  engine_ = loader_.Create(0);
  if (engine_ == nullptr) Show("fail to find symbol in dll");
}

bool CRegScan::StartScan(int groups, IScanCB* listener) {
  // Every engine call would go through a null pointer: refuse the run.
  if (engine_ == nullptr) return false;
  int mask = 0;
  {
    std::lock_guard guard(lock_);
    progress_.seriousTotal = 0;
    progress_.generalTotal = 0;
    for (int i = 0; i < kCategoryBitCount; ++i) {
      const int bit = 1 << i;
      if ((groups & 1) && (bit & kSeriousMask)) {
        mask |= bit;
        ++progress_.seriousTotal;
      }
      if ((groups & 2) && (bit & kGeneralMask)) {
        mask |= bit;
        ++progress_.generalTotal;
      }
    }
  }
  BeginScan(mask, listener);
  if (listener != nullptr) {
    std::thread([this] { RunScan(); }).detach();
  } else {
    RunScan();
  }
  return true;
}

void CRegScan::BeginScan(int mask, IScanCB* listener) {
  std::lock_guard guard(lock_);
  if (engine_ != nullptr) engine_->Stop(0);
  progress_.selectedMask = mask;
  busy_ = true;
  scan_listener_ = listener;
  progress_.doneMask = 0;
  progress_.categoriesTotal = 0;
  progress_.categoriesDone = 0;
  progress_.seriousFound = 0;
  progress_.generalFound = 0;
  progress_.seriousDone = 0;
  progress_.generalDone = 0;
  result_.findings.clear();
  progress_.categoriesTotal = std::popcount(static_cast<std::uint32_t>(mask) & 0x7FFFu);
  if (listener != nullptr) listener->OnScanBegin();
}

void CRegScan::RunScan() {
  stop_requested_ = false;
  for (int i = 0; i < kCategoryBitCount; ++i) {
    const std::int32_t bit = 1 << i;
    if ((bit & progress_.selectedMask) && (bit & kFullScanMask)) {
      if (IScanCB* listener = scan_listener_) listener->OnCategoryBegin(bit);
      std::vector<ScanResultItem>* findings = nullptr;
      {
        std::lock_guard guard(lock_);
        progress_.currentCategory = bit;
        findings = &result_.findings[bit];
        findings->clear();
      }
      const int type = engine_types_.at(bit);
      const Function::RegProblemList* list = engine_ != nullptr ? engine_->Scan(type, this) : nullptr;
      {
        std::lock_guard guard(lock_);
        const std::int32_t count = list != nullptr ? list->count : 0;
        for (std::int32_t k = 0; k < count; ++k) {
          Function::RegProblemItem& item = list->items[k];
          findings->push_back({KeyText(item), bit, item.index});
          item.selected = 1;
        }
        progress_.currentFound = count;
        progress_.foundByCategory[bit] = count;
      }
      if (stop_requested_) {
        StopEnding();
        return;
      }
      {
        std::lock_guard guard(lock_);
        progress_.doneMask |= bit;
        ++progress_.categoriesDone;
        if (bit & kSeriousMask) {
          ++progress_.seriousDone;
          progress_.seriousFound += progress_.currentFound;
        } else {
          ++progress_.generalDone;
          progress_.generalFound += progress_.currentFound;
        }
      }
      if (IScanCB* listener = scan_listener_) listener->OnCategoryEnd(bit);
    }
    Pause();
  }
  EndScan();
}

// Both ends of a scan, stopped or complete, record when it ended and what the
// finished categories counted. The caller holds the lock.
void CRegScan::FinishCounts() {
  scan_finished_ = true;
  result_.scan_time = OleDateNow();
  result_.serious = progress_.seriousFound;
  result_.general = progress_.generalFound;
  result_.total = result_.serious + result_.general;
}

void CRegScan::StopEnding() {
  std::lock_guard guard(lock_);
  FinishCounts();
  result_.health_level = 0;
  result_.health_score = 0;
  if (scan_listener_ != nullptr) scan_listener_->OnScanStopped();
  scan_listener_ = nullptr;
  if (!fixing_) busy_ = false;
}

bool CRegScan::OnProgress(const Function::RegProgressInfo* info) {
  if (info == nullptr) return false;
  std::u16string text;
  IScanCB* listener = nullptr;
  {
    std::lock_guard guard(lock_);
    progress_.currentText = ProgressText(*info);
    progress_.textCategory = progress_.currentCategory;
    progress_.currentFound = info->count;
    progress_.foundByCategory[progress_.currentCategory] = info->count;
    text = progress_.currentText;
    listener = scan_listener_;
  }
  if (listener != nullptr && !listener->OnScanLocation(text)) {
    if (engine_ != nullptr) engine_->Stop(1);
    stop_requested_ = true;
  }
  return true;
}

void CRegScan::EndScan() {
  {
    std::lock_guard guard(lock_);
    FinishCounts();

    const int t1 = IniInt("ErrorLevel", "Level_1_", 0);
    const int t2 = IniInt("ErrorLevel", "Level_2_", 0);
    const int r = std::rand();
    if (result_.total > t2) {
      result_.health_level = 2;
      result_.health_score = 40 + r % 10;
    } else if (result_.total > t1) {
      result_.health_level = 3;
      result_.health_score = 60 + r % 10;
    } else {
      result_.health_level = 4;
      result_.health_score = 90 + r % 11;
    }
    result_.has_result = SaveLastResult();
  }
  // Not under the lock: its failure message waits for the user, and the
  // pages take the lock to read the progress meanwhile.
  StartProgram(ExecutableDir() + "/" + kSetTipFileName);
  std::lock_guard guard(lock_);
  if (scan_listener_ != nullptr) {
    scan_listener_->OnScanCompleted();
    scan_listener_ = nullptr;
  }
  if (!fixing_) busy_ = false;
}

void CRegScan::StartFix(IFixCB* listener) {
  fix_listener_ = listener;
  if (listener != nullptr) {
    busy_ = true;  // busy from now on, not only once the worker has begun
    std::thread([this] { RunFix(); }).detach();
  } else {
    RunFix();
  }
}

void CRegScan::RunFix() {
  std::int32_t general = 0, serious = 0;
  {
    std::lock_guard guard(lock_);
    general = result_.general;
    serious = result_.serious;
  }
  busy_ = true;
  fixing_ = true;
  if (IniInt("Test", "IsRealFix", 1) == 0) Show(kDryRunMessage);

  // Without an engine, or after a backup that failed, nothing is deleted:
  // the deletions could not be undone.
  const bool backup_failed = backup_store().last_backup_failed();
  const bool may_fix = engine_ != nullptr && !backup_failed;
  if (may_fix && !scan_finished_) {
    BeginScan(kFullScanMask, nullptr);
    RunScan();
  }
  if (fix_listener_ != nullptr) fix_listener_->OnFixBegin();
  if (may_fix) {
    for (int i = 0; i < kCategoryBitCount; ++i) {
      const int type = engine_types_.at(1 << i);
      if (IniInt("Test", "IsRealFix", 1) != 0) {
        engine_->Fix(type, nullptr);
      } else {
        Pause();
      }
    }
    SetSettingInt("Fix", "Total", GetSettingInt("Fix", "Total", 0) + serious + general);
    BindEngine();
    // A rescan without an engine would store an empty result as if clean.
    if (engine_ != nullptr) {
      BeginScan(kFullScanMask, nullptr);
      RunScan();
    }
  }
  if (fix_listener_ != nullptr) fix_listener_->OnFixEnd();
  fixing_ = false;
  busy_ = false;
}

bool CRegScan::IsBusy() {
  if (!backup_store().busy() && !busy_) return false;
  UserInterface().ShowHtmlMessage("Busy.html", HtmlDialogSize::kSmall, {}, {});
  return true;
}

RestorePointStore& CRegScan::backup_store() {
  return backup_store_ != nullptr ? *backup_store_ : RestorePointStore::GetInstance();
}

bool CRegScan::LoadLastResult() {
  std::lock_guard guard(lock_);
  return clarivo::LoadLastResult(result_);
}

bool CRegScan::SaveLastResult() {
  std::lock_guard guard(lock_);
  return clarivo::SaveLastResult(result_);
}

ScanProgress CRegScan::GetProgress() {
  std::lock_guard guard(lock_);
  return progress_;
}

ScanResult CRegScan::GetResult() {
  std::lock_guard guard(lock_);
  return result_;
}

bool IsBusy() { return CRegScan::GetInstance().IsBusy(); }

}  // namespace clarivo
