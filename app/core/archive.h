// The serialising archive format of the stored scan result and the backup
// list: little-endian integers, IEEE doubles and length-prefixed strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace clarivo {

class ArchiveWriter {
 public:
  void WriteU8(std::uint8_t v);
  void WriteU16(std::uint16_t v);
  void WriteU32(std::uint32_t v);
  void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
  void WriteU64(std::uint64_t v);
  void WriteDouble(double v);
  // 0xFF, 0xFFFE (UTF-16 marker), the length in code units in the escalating
  // 8/16/32/64-bit form, then the UTF-16LE code units without terminator.
  void WriteString(std::u16string_view text);

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Every read answers false once the data ends early or is malformed; the
// reader then stays failed. Nothing is allocated beyond what the data holds.
class ArchiveReader {
 public:
  explicit ArchiveReader(std::span<const std::uint8_t> data) : data_(data) {}

  bool ReadU8(std::uint8_t* v);
  bool ReadU16(std::uint16_t* v);
  bool ReadU32(std::uint32_t* v);
  bool ReadI32(std::int32_t* v);
  bool ReadU64(std::uint64_t* v);
  bool ReadDouble(double* v);
  // Reads both forms: UTF-16 (with the marker) and 8-bit text (without it),
  // which is decoded as UTF-8 when valid, else byte for byte as Latin-1.
  bool ReadString(std::u16string* text);

  bool failed() const { return failed_; }
  std::size_t remaining() const { return data_.size() - pos_; }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }
  bool Take(std::size_t n, const std::uint8_t** p);
  bool ReadLength(bool* wide, std::uint64_t* length);

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace clarivo
