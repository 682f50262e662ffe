// Type 10: empty vendor keys under the user's software key.
#include "engine/scan_helpers.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"

namespace Function {

namespace {

// True for data that holds nothing: no bytes, or a text type whose text is
// empty. Numbers and binary data are content, whatever their bytes.
bool IsEmptyData(const platform::RegValue& value) {
  if (value.data.empty()) return true;
  const bool text_type = value.type == platform::kRegSz || value.type == platform::kRegExpandSz ||
                         value.type == platform::kRegMultiSz;
  return text_type && ValueDataText(value).empty();
}

// Nothing in the key but, at most, an empty default value.
bool IsObsolete(platform::Registry* reg, platform::RegKey key) {
  if (CountSubKeys(reg, key) != 0) return false;
  const std::uint32_t values = CountValues(reg, key);
  if (values == 0) return true;
  if (values != 1) return false;
  std::u16string name;
  platform::RegValue data;
  // A value too large to read is not empty.
  if (!EnumValueWithData(reg, key, 0, &name, &data)) return false;
  return name.empty() && IsEmptyData(data);
}

}  // namespace

void GetObsoleteSoftware(CRegEngine& engine, ICallback* callback) {
  platform::Registry* reg = engine.registry();
  if (!reg) return;
  ScopedKey software(reg, platform::kCurrentUser, kSoftwarePath);
  if (!software) return;
  const std::uint32_t n = CountSubKeys(reg, software.get());
  ProgressCounter progress(ObsoleteSoftware, callback, n);
  std::int32_t index = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (engine.StopRequested()) return;
    auto vendor = EnumSubKeyName(reg, software.get(), i);
    if (!vendor) {
      progress.Skip();
      continue;
    }
    progress.Report(Join({kHkcuPrefix, u"\\Software\\", *vendor}), ListSize(engine, ObsoleteSoftware));
    ScopedKey vendor_key(reg, software.get(), *vendor);
    if (!vendor_key || !IsObsolete(reg, vendor_key.get())) continue;
    // The key text says "software" in lower case, unlike the progress text.
    AddCheckedFinding(engine, ObsoleteSoftware, *vendor, Join({kHkcuPrefix, u"\\software\\", *vendor}),
                      u".exe", index);
  }
}

}  // namespace Function
