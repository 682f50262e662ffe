// Type 3: program identifiers whose class is gone, and class registrations
// whose server file is gone. Two passes, one list, one running index.
#include <algorithm>

#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

namespace {

constexpr std::u16string_view kServerKinds[] = {u"InprocServer32", u"LocalServer32"};

// Percent over both passes; never above 100, even when a key grew between
// the count and the walk.
std::int32_t ComPercent(const CRegEngine& engine, std::uint64_t done) {
  if (engine.com_total == 0) return 100;
  return static_cast<std::int32_t>(std::min<std::uint64_t>(done * 100 / engine.com_total, 100));
}

void ReportCom(CRegEngine& engine, ICallback* callback, std::u16string_view name, std::uint64_t done) {
  if (!callback) return;
  ProgressCounter::Send(callback, InvalidActiveXAndCOM, Join({kHkcrPrefix, u"\\", name}),
                        ComPercent(engine, done), ListSize(engine, InvalidActiveXAndCOM));
}

void ScanProgramIds(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  engine.com_counter = 0;
  const std::uint32_t n = CountSubKeys(reg, platform::kClassesRoot);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto progid = EnumSubKeyName(reg, platform::kClassesRoot, i);
    ReportCom(engine, callback, progid ? *progid : u"", std::uint64_t{i} + 1);
    // Extensions are looked at by the unused-extension scan.
    if (!progid || progid->empty() || progid->front() == u'.') continue;
    ScopedKey clsid_ref(reg, platform::kClassesRoot, Join({*progid, u"\\CLSID"}));
    if (!clsid_ref) continue;
    std::u16string clsid;
    if (!ReadStringValue(reg, clsid_ref.get(), u"", &clsid)) continue;
    const bool braced = !clsid.empty() && clsid.front() == u'{';
    ScopedKey class_key(reg, platform::kClassesRoot,
                        braced ? Join({u"CLSID\\", clsid}) : Join({u"CLSID\\{", clsid, u"}"}));
    // Only a class that is surely absent counts; access failures do not.
    if (class_key.status() != platform::kRegNotFound) continue;
    AddCheckedFinding(engine, InvalidActiveXAndCOM, clsid, Join({kHkcrPrefix, u"\\", *progid}), u".ocx",
                      engine.com_counter);
  }
}

void ScanClassServers(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  ScopedKey classes(reg, platform::kClassesRoot, kClsidPath);
  if (!classes) return;
  const std::uint32_t m = CountSubKeys(reg, classes.get());
  for (std::uint32_t i = 0; i < m; ++i) {
    if (engine.StopRequested()) return;
    auto guid = EnumSubKeyName(reg, classes.get(), i);
    ReportCom(engine, callback, guid ? *guid : u"", std::uint64_t{engine.com_offset} + i + 1);
    if (!guid) continue;
    for (std::u16string_view kind : kServerKinds) {
      ScopedKey server(reg, classes.get(), Join({*guid, u"\\", kind}));
      if (!server) continue;
      auto value = ReadPathValue(engine, server.get());
      // A bare file name is found through the search path: never reported.
      if (!value || value->text.find_first_of(u":\\") == std::u16string::npos) continue;
      if (FileExists(engine, value->path)) continue;
      AddCheckedFinding(engine, InvalidActiveXAndCOM, value->text,
                        Join({kHkcrPrefix, u"\\CLSID\\", *guid, u"\\", kind}), u".ocx", engine.com_counter);
    }
  }
}

}  // namespace

void GetInvalidActiveXAndCOM(CRegEngine& engine, ICallback* callback) {
  engine.items(InvalidActiveXAndCOM).clear();
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  const std::uint32_t root_count = CountSubKeys(reg, platform::kClassesRoot);
  std::uint32_t clsid_count = 0;
  if (ScopedKey classes(reg, platform::kClassesRoot, kClsidPath); classes) {
    clsid_count = CountSubKeys(reg, classes.get());
  }
  engine.com_total = root_count + clsid_count;
  engine.com_offset = root_count;
  ScanProgramIds(engine, callback);
  ScanClassServers(engine, callback);  // ends at its first check after a stop
  engine.com_counter = 0;
  engine.com_total = 0;
  engine.com_offset = 0;
}

}  // namespace Function
