// Type 1: shared DLL counters whose file is gone.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

void GetMissingShareDLL(CRegEngine& engine, ICallback* callback) {
  // Without a registry the key does not open either, and says so.
  platform::Registry* reg = engine.registry();
  ScopedKey dlls(reg, platform::kLocalMachine, kSharedDllsPath);
  if (!dlls) {
    DebugLine(u"Failed when opening key in GetMissingShareDLL");
    return;
  }
  const std::u16string key = Join({kHklmPrefix, u"\\", kSharedDllsPath});
  const std::uint32_t n = CountValues(reg, dlls.get());
  ProgressCounter progress(MissingShareDLL, callback, n);
  std::int32_t index = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto name = EnumValueName(reg, dlls.get(), i);
    if (!name) {
      progress.Skip();
      continue;
    }
    progress.Report(*name, ListSize(engine, MissingShareDLL));
    // The value name is the file path itself.
    if (!FileExists(engine, *name)) AddCheckedFinding(engine, MissingShareDLL, *name, key, u".dll", index);
  }
}

}  // namespace Function
