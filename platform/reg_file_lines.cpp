// Lines of a .reg file, decoded one at a time (see reg_file_stream.h).
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/reg_file_stream.h"
#include "platform/text.h"

namespace platform {
namespace {

// UTF-16 files are read 2 MB at a time.
constexpr std::size_t kPieceUnits = std::size_t{1} << 20;

// Windows-1252 for 0x80..0x9F; the rest of the 8-bit range is Latin-1.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    int extra;
    if (b < 0x80) {
      extra = 0;
    } else if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (i + extra >= s.size() && extra > 0) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += 1 + extra;
  }
  return true;
}

void AppendCp1252(std::string_view bytes, std::u16string* out) {
  for (char ch : bytes) {
    const unsigned char b = static_cast<unsigned char>(ch);
    out->push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
  }
}

// The file's bytes are little-endian units; on a big-endian machine they are turned.
void ToNativeOrder(char16_t* units, std::size_t count) {
  if constexpr (std::endian::native == std::endian::big) {
    for (std::size_t i = 0; i < count; ++i)
      units[i] = static_cast<char16_t>((units[i] << 8) | (units[i] >> 8));
  } else {
    (void)units;
    (void)count;
  }
}

// Where the first CR or LF lies in units[from, to), or `to`. Four units are
// tested at once: a lane below 14 (CR is 13) marks four to look at closely.
std::size_t FindLineEnd(const char16_t* units, std::size_t from, std::size_t to) {
  constexpr std::uint64_t kLanes = 0x0001000100010001ULL;
  constexpr std::uint64_t kHigh = 0x8000800080008000ULL;
  std::size_t i = from;
  while (i < to) {
    if (i + 4 <= to) {
      std::uint64_t x;
      std::memcpy(&x, units + i, sizeof x);
      if (((x - kLanes * 14) & ~x & kHigh) == 0) {
        i += 4;
        continue;
      }
    }
    for (const std::size_t stop = std::min(i + 4, to); i < stop; ++i) {
      if (units[i] == u'\r' || units[i] == u'\n') return i;
    }
  }
  return to;
}

}  // namespace

std::u16string DecodeEightBit(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return ToUtf16(bytes);
  std::u16string out;
  out.reserve(bytes.size());
  AppendCp1252(bytes, &out);
  return out;
}

RegLineReader::RegLineReader(std::string_view bytes, std::size_t piece_units)
    : memory_(bytes), piece_units_(piece_units == 0 ? kPieceUnits : piece_units) {}

RegLineReader::RegLineReader(int fd, std::string_view file_name)
    : piece_units_(kPieceUnits), fd_(fd), file_name_(file_name) {}

std::size_t RegLineReader::ReadBytes(char* out, std::size_t size) {
  if (fd_ < 0) {
    size = std::min(size, memory_.size());
    if (size > 0) std::memcpy(out, memory_.data(), size);
    memory_.remove_prefix(size);
    return size;
  }
  while (true) {
    const ssize_t n = read(fd_, out, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    read_error_ = "cannot read " + std::string(file_name_) + ": " + std::strerror(errno);
    return 0;
  }
}

bool RegLineReader::Start() {
  const auto utf16_bom = [](std::string_view b) {
    return b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0xFF &&
           static_cast<unsigned char>(b[1]) == 0xFE;
  };
  if (fd_ < 0 && utf16_bom(memory_)) {
    memory_.remove_prefix(2);
    buf_.resize(std::min(piece_units_, memory_.size() / 2 + 1));
    mode_ = Mode::kUtf16;
    return true;
  }
  if (fd_ < 0) {
    text_ = memory_;
  } else {
    // The first bytes tell the encoding; they are read into the UTF-16 buffer.
    buf_.resize(piece_units_);
    char* bytes = reinterpret_cast<char*>(buf_.data());
    std::size_t have = 0;
    while (have < 3) {
      const std::size_t n = ReadBytes(bytes + have, buf_.size() * 2 - have);
      if (!read_error_.empty()) return false;
      if (n == 0) {
        eof_ = true;
        break;
      }
      have += n;
    }
    if (utf16_bom(std::string_view(bytes, have))) {
      bytes_ = have;
      end_ = have / 2;
      begin_ = 1;  // after the BOM
      ToNativeOrder(buf_.data(), end_);
      mode_ = Mode::kUtf16;
      return true;
    }
    // 8-bit text is read whole: whether it is UTF-8 depends on all of it.
    owned_.assign(bytes, have);
    std::u16string().swap(buf_);
    char piece[65536];
    while (!eof_) {
      const std::size_t n = ReadBytes(piece, sizeof piece);
      if (!read_error_.empty()) return false;
      if (n == 0) eof_ = true;
      owned_.append(piece, n);
    }
    text_ = owned_;
  }
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
  mode_ = IsValidUtf8(text_) ? Mode::kUtf8 : Mode::kCp1252;
  return true;
}

bool RegLineReader::FillUtf16() {
  if (eof_) return false;
  if (begin_ > 0) {
    std::memmove(buf_.data(), buf_.data() + begin_, bytes_ - begin_ * 2);
    bytes_ -= begin_ * 2;
    end_ -= begin_;
    begin_ = 0;
  }
  // A line longer than the buffer: make room for more of it.
  if (buf_.size() * 2 - bytes_ < 2) buf_.resize(buf_.size() * 2);
  const std::size_t n = ReadBytes(reinterpret_cast<char*>(buf_.data()) + bytes_, buf_.size() * 2 - bytes_);
  if (n == 0) {
    eof_ = true;
    return false;
  }
  const std::size_t old_end = end_;
  bytes_ += n;
  end_ = bytes_ / 2;  // an odd last byte waits for its partner, or is dropped at the end
  ToNativeOrder(buf_.data() + old_end, end_ - old_end);
  return true;
}

bool RegLineReader::NextUtf16(std::u16string_view* line) {
  while (true) {
    if (skip_lf_ && begin_ < end_) {
      if (buf_[begin_] == u'\n') ++begin_;
      skip_lf_ = false;
    }
    if (!skip_lf_) {
      const char16_t* units = buf_.data();
      const std::size_t i = FindLineEnd(units, begin_ + scanned_, end_);
      if (i < end_) {
        *line = std::u16string_view(units + begin_, i - begin_);
        skip_lf_ = units[i] == u'\r';
        begin_ = i + 1;
        scanned_ = 0;
        return true;
      }
      scanned_ = end_ - begin_;
    }
    if (!FillUtf16()) {
      if (!read_error_.empty()) return false;
      skip_lf_ = false;
      if (begin_ == end_) return false;
      *line = std::u16string_view(buf_.data() + begin_, end_ - begin_);
      begin_ = end_;
      scanned_ = 0;
      return true;
    }
  }
}

bool RegLineReader::NextEightBit(std::u16string_view* line) {
  if (pos_ >= text_.size()) return false;
  std::size_t end = text_.find_first_of("\r\n", pos_);
  std::size_t next = end;
  if (end == std::string_view::npos) {
    end = next = text_.size();
  } else {
    next = end + (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? 2 : 1);
  }
  const std::string_view bytes = text_.substr(pos_, end - pos_);
  pos_ = next;
  if (mode_ == Mode::kUtf8) {
    line_ = ToUtf16(bytes);
  } else {
    line_.clear();
    AppendCp1252(bytes, &line_);
  }
  *line = line_;
  return true;
}

bool RegLineReader::Next(std::u16string_view* line) {
  if (!read_error_.empty()) return false;
  if (mode_ == Mode::kUnknown && !Start()) return false;
  return mode_ == Mode::kUtf16 ? NextUtf16(line) : NextEightBit(line);
}

}  // namespace platform
