// Type 8: cached display names of programs that are gone.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

void GetMUICache(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  ScopedKey cache(reg, platform::kCurrentUser, kMuiCachePath);
  if (!cache) return;
  const std::u16string key = Join({kHkcuPrefix, u"\\", kMuiCachePath});
  const std::uint32_t n = CountValues(reg, cache.get());
  ProgressCounter progress(MUICache, callback, n);
  std::int32_t index = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    std::u16string name;
    platform::RegValue data;
    if (!EnumValueWithData(reg, cache.get(), i, &name, &data)) {
      progress.Skip();
      continue;
    }
    progress.Report(name, ListSize(engine, MUICache));
    // The name is the program path, maybe with a resource suffix; names
    // without a drive-qualified path (language markers) are skipped.
    auto path = ExtractFilePath(name);
    if (!path || FileExists(engine, *path)) continue;
    AddCheckedFinding(engine, MUICache, name, key, u".dll", index);
  }
}

}  // namespace Function
