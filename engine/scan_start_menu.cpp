// Type 4: start-menu ordering entries whose menu item is gone.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

namespace {

// The entry is valid when its item is in the user's or the all-users menu,
// under the usual or the localised name of the programs folder.
bool MenuItemExists(CRegEngine& engine, std::u16string_view user, std::u16string_view common,
                    std::u16string_view item) {
  const std::u16string_view candidates[][2] = {
      {user, u"\\Programs\\"}, {common, u"\\Programs\\"}, {user, u"\\程序\\"}, {common, u"\\程序\\"}};
  for (const auto& [folder, programs] : candidates) {
    // Without the folder the candidate would be relative: it cannot exist.
    if (folder.empty()) continue;
    if (FileExists(engine, Join({folder, programs, item}))) return true;
  }
  return false;
}

}  // namespace

void GetInvalidStartMenuOrding(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  const std::u16string user = GetSpecialFolder(engine, platform::kCsidlStartMenu);
  const std::u16string common = GetSpecialFolder(engine, platform::kCsidlCommonStartMenu);
  ScopedKey order(reg, platform::kCurrentUser, kMenuOrderPath);
  if (!order) return;
  const std::u16string prefix = Join({kHkcuPrefix, u"\\", kMenuOrderPath, u"\\"});
  const std::uint32_t n = CountSubKeys(reg, order.get());
  ProgressCounter progress(InvalidStartMenuOrding, callback, n);
  std::int32_t index = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto entry = EnumSubKeyName(reg, order.get(), i);
    const std::u16string key = prefix + (entry ? *entry : u"");
    progress.Report(key, ListSize(engine, InvalidStartMenuOrding));
    if (!entry || MenuItemExists(engine, user, common, *entry)) continue;
    AddCheckedFinding(engine, InvalidStartMenuOrding, *entry, key, u".lnk", index);
  }
}

}  // namespace Function
