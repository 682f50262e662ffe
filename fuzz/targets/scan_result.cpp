// The stored last scan result: whatever is read back stores and reads as the
// same result.
#include "app/core/scan_result.h"

#include <cstdint>
#include <span>

#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  clarivo::ScanResult result;
  if (!clarivo::DeserializeScanResult(std::span<const std::uint8_t>(data, size), &result)) return 0;
  // Compared as stored bytes: a date may be NaN, which equals nothing.
  const std::vector<std::uint8_t> stored = clarivo::SerializeScanResult(result);
  clarivo::ScanResult again;
  FUZZ_CHECK(clarivo::DeserializeScanResult(stored, &again), "a stored result reads back");
  FUZZ_CHECK(clarivo::SerializeScanResult(again) == stored, "a stored result reads back the same");
  return 0;
}
