// Type 5: cached uninstall data without its program, and installer folders
// that are gone. Two loops share one list, one index and one percent divisor.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

void GetInvalidInstaller(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  ScopedKey cache(reg, platform::kLocalMachine, kArpCachePath);
  ScopedKey folders(reg, platform::kLocalMachine, kInstallerFoldersPath);
  if (!cache && !folders) return;
  const std::uint32_t cache_count = cache ? CountSubKeys(reg, cache.get()) : 0;
  const std::uint32_t folder_count = folders ? CountValues(reg, folders.get()) : 0;
  ProgressCounter progress(InvalidInstaller, callback, cache_count + folder_count);
  std::int32_t index = 0;

  const std::u16string cache_prefix = Join({kHklmPrefix, u"\\", kArpCachePath, u"\\"});
  for (std::uint32_t i = 0; i < cache_count; ++i) {
    if (engine.StopRequested()) return;
    auto entry = EnumSubKeyName(reg, cache.get(), i);
    if (!entry) {
      progress.Skip();
      continue;
    }
    progress.Report(*entry, ListSize(engine, InvalidInstaller));
    ScopedKey uninstall(reg, platform::kLocalMachine, Join({kUninstallPath, u"\\", *entry}));
    if (!uninstall) {
      AddCheckedFinding(engine, InvalidInstaller, *entry, cache_prefix + *entry, u".exe", index);
    }
  }

  const std::u16string folders_key = Join({kHklmPrefix, u"\\", kInstallerFoldersPath});
  for (std::uint32_t j = 0; j < folder_count; ++j) {
    if (engine.StopRequested()) return;
    auto folder = EnumValueName(reg, folders.get(), j);
    if (!folder) {
      progress.Skip();
      continue;
    }
    progress.Report(*folder, ListSize(engine, InvalidInstaller));
    if (!FileExists(engine, *folder)) {
      AddCheckedFinding(engine, InvalidInstaller, *folder, folders_key, u".exe", index);
    }
  }
}

}  // namespace Function
