// Type 2: registered applications whose verb command names a missing program.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

namespace {

// Every verb of one application's shell key; no stop check in here.
void ScanVerbs(CRegEngine& engine, platform::RegKey shell, std::u16string_view app, std::int32_t& index) {
  platform::Registry* reg = engine.registry();
  const std::uint32_t verbs = CountSubKeys(reg, shell);
  for (std::uint32_t j = 0; j < verbs; ++j) {
    auto verb = EnumSubKeyName(reg, shell, j);
    if (!verb) continue;
    ScopedKey verb_key(reg, shell, *verb);
    if (!verb_key) continue;
    ScopedKey command(reg, verb_key.get(), u"command");
    if (!command) continue;
    auto value = ReadPathValue(engine, command.get());
    if (!value || FileExists(engine, value->path)) continue;
    AddCheckedFinding(engine, InvalidApplication, value->text,
                      Join({kHkcrPrefix, u"\\Applications\\", app, u"\\shell\\", *verb}), u".exe", index);
  }
}

}  // namespace

void GetInvalidApplication(CRegEngine& engine, ICallback* callback) {
  // Without a registry the key does not open either, and says so.
  platform::Registry* reg = engine.registry();
  ScopedKey apps(reg, platform::kClassesRoot, kApplicationsPath);
  if (!apps) {
    DebugLine(u"Failed when RegOpenKeyEx in GetInvalidApplication");
    return;
  }
  const std::uint32_t n = CountSubKeys(reg, apps.get());
  ProgressCounter progress(InvalidApplication, callback, n);
  std::int32_t index = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto app = EnumSubKeyName(reg, apps.get(), i);
    ScopedKey app_key;
    if (app) app_key = ScopedKey(reg, apps.get(), *app);
    if (!app || !app_key) {
      progress.Skip();
      continue;
    }
    progress.Report(Join({kHkcrPrefix, u"\\Applications\\", *app}), ListSize(engine, InvalidApplication));
    ScopedKey shell(reg, app_key.get(), u"shell");
    app_key.Close();
    if (!shell) continue;
    ScanVerbs(engine, shell.get(), *app, index);
  }
}

}  // namespace Function
