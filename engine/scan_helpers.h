// Small pieces the scanners share on top of scan_support.h: checked finding
// appends and text from raw value data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/engine_state.h"
#include "engine/key_paths.h"
#include "platform/registry.h"

namespace Function {

// Joins the pieces into one text.
std::u16string Join(std::initializer_list<std::u16string_view> parts);

// Appends a finding numbered `next_index` (which then grows by one) with the
// icon of `icon_source`. A finding whose name or key text does not fit its
// 260-unit field is left out: the fixers take key texts apart, and a cut one
// could name a different, valid key. Returns whether it was added.
bool AddCheckedFinding(CRegEngine& engine, int type, std::u16string_view name, std::u16string_view key,
                       std::u16string_view icon_source, std::int32_t& next_index);

// Number of findings in the type's list (the progress count).
std::int32_t ListSize(CRegEngine& engine, int type);

// Value data read as UTF-16LE text up to the first NUL; a trailing odd byte
// is ignored.
std::u16string ValueDataText(const platform::RegValue& value);

}  // namespace Function
