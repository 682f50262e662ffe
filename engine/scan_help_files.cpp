// Type 11: help file registrations whose file is gone. Two passes, each
// with its own percent.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

namespace {

// Returns false when the scan was stopped.
bool ScanHelpKey(CRegEngine& engine, ICallback* callback, std::u16string_view path, std::int32_t& index) {
  platform::Registry* reg = engine.registry();
  ScopedKey help(reg, platform::kLocalMachine, path);
  if (!help) return true;
  const std::u16string key_prefix = Join({kHklmPrefix, u"\\", path, u"\\"});
  const std::uint32_t n = CountValues(reg, help.get());
  ProgressCounter progress(HelpFiles, callback, n);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return false;
    std::u16string file;
    platform::RegValue data;
    if (!EnumValueWithData(reg, help.get(), i, &file, &data)) {
      progress.Skip();
      continue;
    }
    progress.Report(file, ListSize(engine, HelpFiles));
    // The data is the folder, used as stored.
    std::u16string full = ValueDataText(data);
    if (full.empty() || full.back() != u'\\') full.push_back(u'\\');
    full += file;
    if (!FileExists(engine, full))
      AddCheckedFinding(engine, HelpFiles, file, key_prefix + file, u".chm", index);
  }
  return true;
}

}  // namespace

void GetHelpFiles(CRegEngine& engine, ICallback* callback) {
  if (!engine.registry()) return;
  std::int32_t index = 0;
  if (!ScanHelpKey(engine, callback, kHelpPath, index)) return;
  ScanHelpKey(engine, callback, kHtmlHelpPath, index);
}

}  // namespace Function
