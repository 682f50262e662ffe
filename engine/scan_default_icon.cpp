// Type 6: default icons that name a missing file.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

void GetInvalidDefaultIcon(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  const std::uint32_t n = CountSubKeys(reg, platform::kClassesRoot);
  ProgressCounter progress(InvalidDefaultIcon, callback, n);
  std::int32_t index = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto cls = EnumSubKeyName(reg, platform::kClassesRoot, i);
    progress.Report(Join({kHkcrPrefix, u"\\", cls ? *cls : u""}), ListSize(engine, InvalidDefaultIcon));
    if (!cls) continue;
    const std::u16string icon_path = Join({*cls, u"\\DefaultIcon"});
    ScopedKey icon(reg, platform::kClassesRoot, icon_path);
    if (!icon) continue;
    // "%1" and bare file names have no drive-qualified path and are skipped.
    auto value = ReadPathValue(engine, icon.get());
    if (!value || FileExists(engine, value->path)) continue;
    AddCheckedFinding(engine, InvalidDefaultIcon, value->text, Join({kHkcrPrefix, u"\\", icon_path}), u".ico",
                      index);
  }
}

}  // namespace Function
