// The backup store's "list" file: whatever is read back writes and reads as
// the same list.
#include <cstdint>
#include <span>

#include "app/core/restore_point_store.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto points = clarivo::DeserializeRestorePoints(std::span<const std::uint8_t>(data, size));
  if (!points) return 0;
  const std::vector<std::uint8_t> stored = clarivo::SerializeRestorePoints(*points);
  auto again = clarivo::DeserializeRestorePoints(stored);
  FUZZ_CHECK(again.has_value(), "a written list reads back");
  // Compared as written bytes: a date may be NaN, which equals nothing.
  FUZZ_CHECK(clarivo::SerializeRestorePoints(*again) == stored, "a written list reads back the same");
  return 0;
}
