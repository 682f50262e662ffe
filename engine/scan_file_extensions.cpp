// Type 13: extension keys that lead nowhere, first in the class root, then in
// the user's per-extension settings. Both passes fill one list.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

namespace {

// Checks one extension key of the class root and adds its finding, if any.
void CheckClassExtension(CRegEngine& engine, std::u16string_view ext, std::int32_t& index) {
  platform::Registry* reg = engine.registry();
  ScopedKey ext_key(reg, platform::kClassesRoot, ext);
  if (!ext_key) return;
  const std::uint32_t subkeys = CountSubKeys(reg, ext_key.get());
  const std::uint32_t values = CountValues(reg, ext_key.get());
  // Keys with subkeys or several values carry more than a dangling link.
  if (subkeys != 0 || values > 1) return;
  const std::u16string key = Join({kHkcrPrefix, u"\\", ext});
  std::u16string progid;
  const bool read = ReadStringValue(reg, ext_key.get(), u"", &progid);
  if (!read && values == 1) return;  // the single value is a named one
  if (!read || progid.empty()) {
    AddCheckedFinding(engine, UnusedFileExtensions, ext, key, ext, index);
    return;
  }
  if (ScopedKey(reg, platform::kClassesRoot, progid)) return;
  if (ScopedKey(reg, ext_key.get(), progid)) return;
  AddCheckedFinding(engine, UnusedFileExtensions, progid, key, ext, index);
}

}  // namespace

void GetUnusedFileExtensionsClassesRoot(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  const std::uint32_t n = CountSubKeys(reg, platform::kClassesRoot);
  ProgressCounter progress(UnusedFileExtensions, callback, n);
  std::int32_t index = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto name = EnumSubKeyName(reg, platform::kClassesRoot, i);
    progress.Report(Join({kHkcrPrefix, u"\\", name ? *name : u""}), ListSize(engine, UnusedFileExtensions));
    if (!name || name->empty() || name->front() != u'.') continue;
    CheckClassExtension(engine, *name, index);
  }
}

void GetUnusedFileExtensionsPerUser(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  ScopedKey exts(reg, platform::kCurrentUser, kFileExtsPath);
  if (!exts) return;
  const std::u16string prefix = Join({kHkcuPrefix, u"\\", kFileExtsPath, u"\\"});
  const std::uint32_t n = CountSubKeys(reg, exts.get());
  ProgressCounter progress(UnusedFileExtensions, callback, n);
  // Numbering goes on from what the class-root pass found.
  std::int32_t index = ListSize(engine, UnusedFileExtensions);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto ext = EnumSubKeyName(reg, exts.get(), i);
    const std::u16string key = prefix + (ext ? *ext : u"");
    progress.Report(key, ListSize(engine, UnusedFileExtensions));
    if (!ext) continue;
    std::uint32_t subkeys = 0;
    {
      ScopedKey ext_key(reg, exts.get(), *ext);
      if (!ext_key) continue;
      subkeys = CountSubKeys(reg, ext_key.get());
    }
    if (subkeys > 0 && ScopedKey(reg, platform::kClassesRoot, *ext)) continue;
    AddCheckedFinding(engine, UnusedFileExtensions, *ext, key, *ext, index);
  }
}

}  // namespace Function
