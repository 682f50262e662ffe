// Type 7: shell verbs whose command names a missing program.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

namespace {

constexpr std::u16string_view kCommandKeys[] = {u"\\shell\\open\\command", u"\\shell\\edit\\command",
                                                u"\\shell\\preview\\command"};

}  // namespace

void GetInvalidOpenWithApplication(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  const std::uint32_t n = CountSubKeys(reg, platform::kClassesRoot);
  ProgressCounter progress(InvalidOpenWithApplication, callback, n);
  std::int32_t index = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto cls = EnumSubKeyName(reg, platform::kClassesRoot, i);
    progress.Report(Join({kHkcrPrefix, u"\\", cls ? *cls : u""}),
                    ListSize(engine, InvalidOpenWithApplication));
    if (!cls) continue;
    // Each verb on its own; no stop check between them.
    for (std::u16string_view suffix : kCommandKeys) {
      const std::u16string command_path = Join({*cls, suffix});
      ScopedKey command(reg, platform::kClassesRoot, command_path);
      if (!command) continue;
      auto value = ReadPathValue(engine, command.get());
      if (!value || FileExists(engine, value->path)) continue;
      AddCheckedFinding(engine, InvalidOpenWithApplication, value->text,
                        Join({kHkcrPrefix, u"\\", command_path}), u".exe", index);
    }
  }
}

}  // namespace Function
