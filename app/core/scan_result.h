// The scan result the controller holds and its stored form: one binary value
// "LastScanResult" in section "Scan" of the profile.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "app/core/ole_date.h"

namespace clarivo {

struct ScanResultItem {
  std::u16string text;        // registry key path of the finding
  std::int32_t category = 0;  // its category bit
  std::int32_t index = 0;     // the engine's index within its scan run

  bool operator==(const ScanResultItem&) const = default;
};

struct ScanResult {
  bool has_result = false;
  std::map<std::int32_t, std::vector<ScanResultItem>> findings;  // by category bit, rising
  std::int32_t reserved1 = 0;  // never set by the program; carried through the stored value
  std::int32_t reserved2 = 0;
  std::int32_t total = 0;
  std::int32_t health_level = 1;
  OleDateTime scan_time;
  std::int32_t serious = 0;
  std::int32_t general = 0;
  std::int32_t health_score = 0;

  bool operator==(const ScanResult&) const = default;
};

inline constexpr char kScanSection[] = "Scan";
inline constexpr char kLastScanResultKey[] = "LastScanResult";

// The stored value of a result (has_result is not part of it).
std::vector<std::uint8_t> SerializeScanResult(const ScanResult& result);

// Reads a stored value into `result`: the scalar fields are replaced, each
// stored category's list is replaced, other categories keep theirs. A value
// that is cut short or malformed answers false and leaves `result` unchanged.
bool DeserializeScanResult(std::span<const std::uint8_t> value, ScanResult* result);

// Reads the stored value into `result`; has_result becomes the answer. An
// absent or empty value answers false and leaves the result as it was; so
// does (besides has_result) a damaged one.
bool LoadLastResult(ScanResult& result);
// Writes the stored value; true when written. The caller sets has_result.
bool SaveLastResult(const ScanResult& result);

}  // namespace clarivo
