// The state behind one engine object: the finding lists, the stop flag, the
// COM scan counters and the extension icon cache.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/windows_system.h"
#include "shared/clean_reg.h"

namespace Function {

inline constexpr std::size_t kIconCacheLimit = 2048;

class CRegEngine {
 public:
  // `system` may be null (the registry could not be opened): every scan then
  // finds nothing and every fixer finds its base key missing.
  explicit CRegEngine(std::unique_ptr<platform::WindowsSystem> system);
  ~CRegEngine();
  CRegEngine(const CRegEngine&) = delete;
  CRegEngine& operator=(const CRegEngine&) = delete;

  platform::WindowsSystem* system() const { return system_.get(); }
  platform::Registry* registry() const { return system_ ? &system_->registry() : nullptr; }

  // Findings of type 1..13 (index 0 unused). Vectors keep the items contiguous;
  // Publish() refreshes the caller-visible view after the vector changed.
  std::vector<RegProblemItem>& items(int type) { return items_[type]; }
  const RegProblemList* Publish(int type);

  // The stop flag is read afresh at every check: Stop may come from any
  // thread, also from inside a progress callback.
  bool StopRequested() const { return stop_flag_.load(std::memory_order_relaxed) == 1; }
  void SetStopFlag(std::int32_t value) { stop_flag_.store(value, std::memory_order_relaxed); }

  // Type 3 bookkeeping shared by its two passes.
  std::int32_t com_counter = 0;
  std::uint32_t com_total = 0;
  std::uint32_t com_offset = 0;

  // True: each Fix saves its deletions before it returns. False: they stay in
  // memory and the caller saves once after the last category (clarivo-cli,
  // which then writes a Windows-sized registry once instead of per category).
  bool save_each_fix = true;

  // Extension -> icon handle (0 = none), compared code unit by code unit.
  std::map<std::u16string, std::uint32_t> icon_cache;

 private:
  std::unique_ptr<platform::WindowsSystem> system_;
  std::array<std::vector<RegProblemItem>, kLastProblemType + 1> items_;
  std::array<RegProblemList, kLastProblemType + 1> lists_{};
  std::atomic<std::int32_t> stop_flag_{0};
};

}  // namespace Function
