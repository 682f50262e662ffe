#include "app/core/archive.h"

#include <bit>
#include <cstring>

#include "platform/text.h"

namespace clarivo {

void ArchiveWriter::WriteU8(std::uint8_t v) { bytes_.push_back(v); }

void ArchiveWriter::WriteU16(std::uint16_t v) {
  bytes_.push_back(static_cast<std::uint8_t>(v));
  bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ArchiveWriter::WriteU32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ArchiveWriter::WriteU64(std::uint64_t v) {
  for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ArchiveWriter::WriteDouble(double v) { WriteU64(std::bit_cast<std::uint64_t>(v)); }

void ArchiveWriter::WriteString(std::u16string_view text) {
  WriteU8(0xFF);
  WriteU16(0xFFFE);
  const std::uint64_t n = text.size();
  if (n < 0xFF) {
    WriteU8(static_cast<std::uint8_t>(n));
  } else {
    WriteU8(0xFF);
    if (n < 0xFFFE) {
      WriteU16(static_cast<std::uint16_t>(n));
    } else {
      WriteU16(0xFFFF);
      if (n < 0xFFFFFFFFu) {
        WriteU32(static_cast<std::uint32_t>(n));
      } else {
        WriteU32(0xFFFFFFFFu);
        WriteU64(n);
      }
    }
  }
  for (char16_t c : text) WriteU16(static_cast<std::uint16_t>(c));
}

bool ArchiveReader::Take(std::size_t n, const std::uint8_t** p) {
  if (failed_ || n > remaining()) return Fail();
  *p = data_.data() + pos_;
  pos_ += n;
  return true;
}

bool ArchiveReader::ReadU8(std::uint8_t* v) {
  const std::uint8_t* p;
  if (!Take(1, &p)) return false;
  *v = p[0];
  return true;
}

bool ArchiveReader::ReadU16(std::uint16_t* v) {
  const std::uint8_t* p;
  if (!Take(2, &p)) return false;
  *v = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  return true;
}

bool ArchiveReader::ReadU32(std::uint32_t* v) {
  const std::uint8_t* p;
  if (!Take(4, &p)) return false;
  std::uint32_t r = 0;
  for (int i = 3; i >= 0; --i) r = (r << 8) | p[i];
  *v = r;
  return true;
}

bool ArchiveReader::ReadI32(std::int32_t* v) {
  std::uint32_t u;
  if (!ReadU32(&u)) return false;
  *v = static_cast<std::int32_t>(u);
  return true;
}

bool ArchiveReader::ReadU64(std::uint64_t* v) {
  const std::uint8_t* p;
  if (!Take(8, &p)) return false;
  std::uint64_t r = 0;
  for (int i = 7; i >= 0; --i) r = (r << 8) | p[i];
  *v = r;
  return true;
}

bool ArchiveReader::ReadDouble(double* v) {
  std::uint64_t u;
  if (!ReadU64(&u)) return false;
  *v = std::bit_cast<double>(u);
  return true;
}

bool ArchiveReader::ReadLength(bool* wide, std::uint64_t* length) {
  // The length escalates 8 -> 16 -> 32 -> 64 bits; the first 16-bit step may
  // instead hold 0xFFFE, the marker of UTF-16 text, after which the length
  // starts over.
  *wide = false;
  std::uint8_t b;
  std::uint16_t w;
  if (!ReadU8(&b)) return false;
  if (b < 0xFF) {
    *length = b;
    return true;
  }
  if (!ReadU16(&w)) return false;
  if (w == 0xFFFE) {
    *wide = true;
    if (!ReadU8(&b)) return false;
    if (b < 0xFF) {
      *length = b;
      return true;
    }
    if (!ReadU16(&w)) return false;
  }
  if (w < 0xFFFF) {
    *length = w;
    return true;
  }
  std::uint32_t d;
  if (!ReadU32(&d)) return false;
  if (d < 0xFFFFFFFFu) {
    *length = d;
    return true;
  }
  return ReadU64(length);
}

bool ArchiveReader::ReadString(std::u16string* text) {
  bool wide;
  std::uint64_t length;
  if (!ReadLength(&wide, &length)) return false;
  const std::uint64_t unit = wide ? 2 : 1;
  if (length > remaining() / unit) return Fail();
  const std::uint8_t* p;
  if (!Take(static_cast<std::size_t>(length * unit), &p)) return false;
  if (wide) {
    std::u16string out(static_cast<std::size_t>(length), u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    *text = std::move(out);
    return true;
  }
  std::string_view narrow(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
  std::u16string decoded = platform::ToUtf16(narrow);
  if (decoded.find(u'\uFFFD') != std::u16string::npos) {
    decoded.clear();  // not UTF-8: one byte per code unit
    for (char c : narrow) decoded.push_back(static_cast<unsigned char>(c));
  }
  *text = std::move(decoded);
  return true;
}

}  // namespace clarivo
