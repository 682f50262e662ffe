#include "app/core/scan_result.h"

#include "app/core/archive.h"
#include "app/core/profile.h"
#include "app/core/registry_choice.h"

namespace clarivo {

std::vector<std::uint8_t> SerializeScanResult(const ScanResult& r) {
  ArchiveWriter out;
  out.WriteI32(r.health_score);
  out.WriteI32(r.serious);
  out.WriteI32(r.general);
  out.WriteI32(r.reserved1);
  out.WriteI32(r.reserved2);
  out.WriteI32(r.health_level);
  out.WriteI32(r.scan_time.status);
  out.WriteDouble(r.scan_time.date);
  out.WriteI32(r.total);
  out.WriteI32(static_cast<std::int32_t>(r.findings.size()));
  for (const auto& [bit, items] : r.findings) {
    out.WriteI32(bit);
    out.WriteI32(static_cast<std::int32_t>(items.size()));
    for (const ScanResultItem& item : items) {
      out.WriteString(item.text);
      out.WriteI32(item.category);
      out.WriteI32(item.index);
    }
  }
  return out.Take();
}

bool DeserializeScanResult(std::span<const std::uint8_t> value, ScanResult* result) {
  ArchiveReader in(value);
  ScanResult r = *result;
  in.ReadI32(&r.health_score);
  in.ReadI32(&r.serious);
  in.ReadI32(&r.general);
  in.ReadI32(&r.reserved1);
  in.ReadI32(&r.reserved2);
  in.ReadI32(&r.health_level);
  in.ReadI32(&r.scan_time.status);
  in.ReadDouble(&r.scan_time.date);
  in.ReadI32(&r.total);
  std::int32_t categories = 0;
  if (!in.ReadI32(&categories) || categories < 0) return false;
  for (std::int32_t c = 0; c < categories; ++c) {
    std::int32_t bit = 0, count = 0;
    if (!in.ReadI32(&bit) || !in.ReadI32(&count) || count < 0) return false;
    std::vector<ScanResultItem>& list = r.findings[bit];
    list.clear();
    for (std::int32_t i = 0; i < count; ++i) {
      ScanResultItem item;
      if (!in.ReadString(&item.text) || !in.ReadI32(&item.category) || !in.ReadI32(&item.index)) return false;
      list.push_back(std::move(item));
    }
  }
  *result = std::move(r);
  return true;
}

bool LoadLastResult(ScanResult& result) {
  std::optional<std::vector<std::uint8_t>> value = GetSettingBinary(kScanSection, kLastScanResultKey);
  // A damaged value counts as absent: nothing of it is taken over.
  bool ok = value && !value->empty() && DeserializeScanResult(*value, &result);
  // A result of another registry says nothing about this one. A result
  // stored before its registry was recorded is taken as this one's.
  if (ok) {
    const std::string made_from = LastResultRegistry();
    ok = made_from.empty() || made_from == CurrentRegistryName();
  }
  result.has_result = ok;
  return ok;
}

bool SaveLastResult(const ScanResult& result) {
  // While the result is replaced it belongs to no registry ("-" names none):
  // a write that fails half way never shows one registry's result as
  // another's.
  return SetLastResultRegistry("-") &&
         SetSettingBinary(kScanSection, kLastScanResultKey, SerializeScanResult(result)) &&
         SetLastResultRegistry(CurrentRegistryName());
}

}  // namespace clarivo
