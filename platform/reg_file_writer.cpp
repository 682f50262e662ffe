// Export side of .reg files, byte for byte as the Windows registry editor (and
// Wine's) writes them.
#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/atomic_write.h"
#include "platform/memory_registry.h"
#include "platform/reg_file.h"
#include "platform/text.h"

namespace platform {
namespace {

struct RootName {
  std::u16string_view long_name;
  std::u16string_view short_name;
  RegKey key;
};
constexpr RootName kRoots[] = {
    {u"HKEY_LOCAL_MACHINE", u"HKLM", kLocalMachine},
    {u"HKEY_CURRENT_USER", u"HKCU", kCurrentUser},
    {u"HKEY_CLASSES_ROOT", u"HKCR", kClassesRoot},
};

// The editor wraps hex data once a line reaches this many characters.
constexpr std::size_t kHexWrapColumn = 77;
// Levels of keys below an exported one: as deep as Windows lets keys nest.
constexpr int kMaxDepth = 512;
// UTF-16 units handed on at once: 1 MiB of the file.
constexpr std::size_t kChunkUnits = std::size_t{512} * 1024;

// The export's text, collected in a buffer of fixed size that is handed on
// whenever it is full: a Windows-sized export (260 MB) is never held whole.
class TextOut {
 public:
  using Sink = std::function<bool(std::u16string_view)>;
  explicit TextOut(Sink sink) : sink_(std::move(sink)), buffer_(new char16_t[kChunkUnits]) {}

  void Put(char16_t c) {
    if (length_ == kChunkUnits) Flush();
    buffer_[length_++] = c;
  }
  // Room for `n` (at most kChunkUnits) units at once; Commit says how many were used.
  char16_t* Reserve(std::size_t n) {
    if (kChunkUnits - length_ < n) Flush();
    return buffer_.get() + length_;
  }
  void Commit(std::size_t n) { length_ += n; }
  void Append(std::u16string_view text) {
    while (!text.empty()) {
      if (length_ == kChunkUnits) Flush();
      const std::size_t n = std::min(text.size(), kChunkUnits - length_);
      std::memcpy(buffer_.get() + length_, text.data(), n * sizeof(char16_t));
      length_ += n;
      text.remove_prefix(n);
    }
  }
  // Hands on what is collected. Once the sink has failed, the rest is dropped.
  bool Flush() {
    if (!failed_ && length_ > 0) failed_ = !sink_(std::u16string_view(buffer_.get(), length_));
    length_ = 0;
    return !failed_;
  }
  bool failed() const { return failed_; }

 private:
  Sink sink_;
  std::unique_ptr<char16_t[]> buffer_;
  std::size_t length_ = 0;
  bool failed_ = false;
};

// Two lower-case hex digits for every byte value.
struct HexTable {
  char16_t digits[256][2];
  constexpr HexTable() : digits() {
    constexpr char16_t kHex[] = u"0123456789abcdef";
    for (int i = 0; i < 256; ++i) {
      digits[i][0] = kHex[i >> 4];
      digits[i][1] = kHex[i & 15];
    }
  }
};
constexpr HexTable kHexTable;

// Escapes \ and " as the editor does. Line breaks (possible only in value
// names here, strings holding them go out as hex) are written as \n and \r,
// as Wine does, instead of breaking the line. `unit(i)` gives the i-th of
// `count` units; returns how many units were written.
template <typename Unit>
std::size_t AppendEscaped(TextOut& out, std::size_t count, Unit unit) {
  std::size_t written = 0;
  for (std::size_t done = 0; done < count;) {
    // A piece at a time, with room for every unit escaped.
    const std::size_t n = std::min(count - done, kChunkUnits / 2);
    char16_t* const start = out.Reserve(2 * n);
    char16_t* p = start;
    for (std::size_t i = done; i < done + n; ++i) {
      const char16_t c = unit(i);
      if (c == u'\n' || c == u'\r') {
        *p++ = u'\\';
        *p++ = c == u'\n' ? u'n' : u'r';
        continue;
      }
      if (c == u'\\' || c == u'"') *p++ = u'\\';
      *p++ = c;
    }
    out.Commit(static_cast<std::size_t>(p - start));
    written += static_cast<std::size_t>(p - start);
    done += n;
  }
  return written;
}

char16_t UnitAt(const std::uint8_t* data, std::size_t i) {
  return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
}

// A REG_SZ is written as quoted text only when that text reads back into the
// same bytes: one terminating NUL, no NUL inside and no line break (which
// would split the line). Anything else goes out as hex(1) so nothing is lost.
bool IsPlainString(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size % 2 != 0) return false;
  const std::size_t units = size / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t c = UnitAt(data, i);
    if (c == 0) return i + 1 == units;
    if (c == u'\r' || c == u'\n') return false;
  }
  return false;
}

void AppendHexData(TextOut& out, std::uint32_t type, std::size_t line_len, const std::uint8_t* data,
                   std::size_t size) {
  if (type == kRegBinary) {
    out.Append(u"hex:");
    line_len += 4;
  } else {
    // "hex(%x):"
    char16_t digits[8];
    std::size_t n = 0;
    for (std::uint32_t t = type; n == 0 || t != 0; t >>= 4) digits[n++] = kHexTable.digits[t & 15][1];
    line_len += 6 + n;
    out.Append(u"hex(");
    while (n > 0) out.Put(digits[--n]);
    out.Append(u"):");
  }
  for (std::size_t i = 0; i < size; ++i) {
    // Two digits, a comma and at most a line continuation ("\\\r\n  ").
    char16_t* p = out.Reserve(8);
    p[0] = kHexTable.digits[data[i]][0];
    p[1] = kHexTable.digits[data[i]][1];
    if (i + 1 == size) {
      out.Commit(2);
      break;
    }
    p[2] = u',';
    line_len += 3;
    if (line_len < kHexWrapColumn) {
      out.Commit(3);
      continue;
    }
    p[3] = u'\\';
    p[4] = u'\r';
    p[5] = u'\n';
    p[6] = u' ';
    p[7] = u' ';
    out.Commit(8);
    line_len = 2;
  }
}

void AppendValue(TextOut& out, std::u16string_view name, std::uint32_t type, const std::uint8_t* data,
                 std::size_t size) {
  std::size_t line_len;
  if (name.empty()) {
    out.Append(u"@=");
    line_len = 2;
  } else {
    out.Put(u'"');
    line_len = AppendEscaped(out, name.size(), [name](std::size_t i) { return name[i]; }) + 3;
    out.Append(u"\"=");
  }
  if (type == kRegSz && IsPlainString(data, size)) {
    out.Put(u'"');
    AppendEscaped(out, size / 2 - 1, [data](std::size_t i) { return UnitAt(data, i); });
    out.Put(u'"');
  } else if (type == kRegDword && size == 4) {
    out.Append(u"dword:");
    char16_t* p = out.Reserve(8);
    for (std::size_t i = 0; i < 4; ++i) {
      p[2 * i] = kHexTable.digits[data[3 - i]][0];
      p[2 * i + 1] = kHexTable.digits[data[3 - i]][1];
    }
    out.Commit(8);
  } else {
    AppendHexData(out, type, line_len, data, size);
  }
  out.Append(u"\r\n");
}

// A key line has no escapes: a name holding a line break would split it, and
// the import would then read another key or fail. Such a key is refused
// rather than written wrong, as is a key deeper than a .reg file may nest
// (which also stops a link that points at its own ancestor).
bool HasLineBreak(std::u16string_view name, std::string* error, std::u16string_view full_name) {
  if (std::none_of(name.begin(), name.end(), [](char16_t c) { return c == u'\n' || c == u'\r'; }))
    return false;
  std::string shown;  // the line breaks written as escapes, so the message stays on one line
  for (char c : ToUtf8(full_name)) {
    if (c == '\n' || c == '\r') {
      shown += c == '\n' ? "\\n" : "\\r";
    } else {
      shown.push_back(c);
    }
  }
  *error =
      "cannot export the key \"" + shown + "\": its name holds a line break, which a .reg file cannot carry";
  return true;
}

bool TooDeep(int depth, std::u16string_view full_name, std::string* error) {
  if (depth < kMaxDepth) return false;
  *error = "cannot export the subkeys of \"" + ToUtf8(full_name) + "\": they lie deeper than " +
           std::to_string(kMaxDepth) + " levels";
  return true;
}

void AppendKeyLine(TextOut& out, std::u16string_view full_name) {
  out.Put(u'[');
  out.Append(full_name);
  out.Append(u"]\r\n");
}

// Through the Registry interface, for any store.
bool ExportKey(Registry& registry, RegKey key, const std::u16string& full_name, int depth, TextOut& out,
               std::string* error) {
  if (HasLineBreak(full_name, error, full_name)) return false;
  AppendKeyLine(out, full_name);
  std::uint32_t subkeys = 0, values = 0;
  if (registry.QueryInfo(key, &subkeys, &values) != kRegOk) subkeys = values = 0;
  for (std::uint32_t i = 0; i < values; ++i) {
    std::u16string name;
    RegValue value;
    if (registry.EnumValue(key, i, &name, &value) == kRegOk) {
      AppendValue(out, name, value.type, value.data.data(), value.data.size());
    }
  }
  out.Append(u"\r\n");
  if (out.failed()) return false;
  if (subkeys == 0) return true;
  if (TooDeep(depth, full_name, error)) return false;
  for (std::uint32_t i = 0; i < subkeys; ++i) {
    std::u16string name;
    if (registry.EnumKey(key, i, &name) != kRegOk) continue;
    RegKey child = 0;
    if (registry.OpenKey(key, name, &child) != kRegOk) continue;
    const bool ok = ExportKey(registry, child, full_name + u'\\' + name, depth + 1, out, error);
    registry.CloseKey(child);
    if (!ok) return false;
  }
  return true;
}

// The same walk straight through the tree of a MemoryRegistry (and so of a
// Wine prefix's registry), with the same result: the names and values are
// read where they lie, subkeys are taken by index, links followed as opening
// them by name would. `path` holds the key's full name.
bool ExportNode(const MemoryRegistry::TreeReader& reader, const RegNode* node, std::u16string* path,
                int depth, TextOut& out, std::string* error) {
  AppendKeyLine(out, *path);
  if (node != nullptr) {
    for (const RegTreeValue& value : node->values) {
      AppendValue(out, value.name, value.type, value.data.data(), value.data.size());
    }
  }
  out.Append(u"\r\n");
  if (out.failed()) return false;
  const std::size_t subkeys = node != nullptr ? node->subkeys.size() : 0;
  if (subkeys == 0) return true;
  if (TooDeep(depth, *path, error)) return false;
  const std::size_t length = path->size();
  for (std::size_t i = 0; i < subkeys; ++i) {
    const RegNode* child = reader.Subkey(*node, i);
    if (child == nullptr) continue;
    const std::u16string_view name = node->subkeys[i]->name;
    path->push_back(u'\\');
    path->append(name);
    if (HasLineBreak(name, error, *path)) return false;
    const bool ok = ExportNode(reader, child, path, depth + 1, out, error);
    path->resize(length);
    if (!ok) return false;
  }
  return true;
}

struct ExportRoot {
  RegKey key = 0;
  std::u16string full_name;
};

// Opens every key to export, in order; on failure closes them again.
bool OpenExportRoots(Registry& registry, const std::vector<std::u16string>& key_paths,
                     std::vector<ExportRoot>* roots, std::string* error) {
  for (const std::u16string& path : key_paths) {
    RegKey root = 0;
    std::u16string rest;
    ExportRoot one;
    if (!SplitRootPath(path, true, &root, &rest)) {
      *error = "unknown root key in \"" + ToUtf8(path) + "\"";
    } else {
      one.full_name = RootKeyName(root);
      one.key = root;
      if (rest.empty() || registry.OpenKey(root, rest, &one.key) == kRegOk) {
        if (!rest.empty()) one.full_name += u'\\' + rest;
        roots->push_back(std::move(one));
        continue;
      }
      *error = "key not found: " + ToUtf8(one.full_name + u'\\' + rest);
    }
    for (const ExportRoot& opened : *roots) registry.CloseKey(opened.key);
    roots->clear();
    return false;
  }
  return true;
}

// The whole export into `out`, flushed at the end; closes the keys. False
// with `error` set when a key cannot be exported; false with `error`
// untouched when `out`'s sink failed.
bool WriteExport(Registry& registry, const std::vector<ExportRoot>& roots, TextOut& out, std::string* error) {
  out.Append(u"Windows Registry Editor Version 5.00\r\n\r\n");
  auto* memory = dynamic_cast<MemoryRegistry*>(&registry);
  bool ok = true;
  for (const ExportRoot& root : roots) {
    if (ok) {
      if (memory == nullptr) {
        ok = ExportKey(registry, root.key, root.full_name, 0, out, error);
      } else if (HasLineBreak(root.full_name, error, root.full_name)) {
        ok = false;
      } else {
        std::u16string path = root.full_name;
        path.reserve(1024);
        const std::int32_t status =
            memory->ReadTree(root.key, [&](const RegNode* node, const MemoryRegistry::TreeReader& reader) {
              ok = ExportNode(reader, node, &path, 0, out, error);
            });
        // A key that can no longer be read shows as empty, as QueryInfo failing does.
        if (status != kRegOk) {
          AppendKeyLine(out, path);
          out.Append(u"\r\n");
        }
        if (ok) {
          if (const std::string problem = memory->DeferredReadProblem(); !problem.empty()) {
            *error = problem;
            ok = false;
          }
        }
      }
    }
    registry.CloseKey(root.key);
  }
  return out.Flush() && ok;
}

}  // namespace

std::u16string_view RootKeyName(RegKey root) {
  for (const RootName& r : kRoots) {
    if (r.key == root) return r.long_name;
  }
  return {};
}

bool SplitRootPath(std::u16string_view path, bool allow_short, RegKey* root, std::u16string* rest) {
  const std::size_t slash = path.find(u'\\');
  const std::u16string_view head = path.substr(0, slash);
  for (const RootName& r : kRoots) {
    if (EqualsNoCase(head, r.long_name) || (allow_short && EqualsNoCase(head, r.short_name))) {
      *root = r.key;
      std::u16string_view tail = slash == std::u16string_view::npos ? u"" : path.substr(slash + 1);
      while (!tail.empty() && tail.back() == u'\\') tail.remove_suffix(1);
      rest->assign(tail);
      return true;
    }
  }
  return false;
}

bool FormatRegExport(Registry& registry, const std::vector<std::u16string>& key_paths, std::u16string* text,
                     std::string* error) {
  std::vector<ExportRoot> roots;
  if (!OpenExportRoots(registry, key_paths, &roots, error)) return false;
  std::u16string out;
  TextOut sink([&out](std::u16string_view piece) {
    out.append(piece);
    return true;
  });
  if (!WriteExport(registry, roots, sink, error)) return false;
  *text = std::move(out);
  return true;
}

std::string EncodeUtf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

bool WriteFileAtomically(const std::string& file, std::string_view bytes, std::string* error) {
  const FileReplacement replacement{file, bytes};
  return ReplaceFiles({&replacement, 1}, error);
}

bool ExportRegFile(Registry& registry, const std::vector<std::u16string>& key_paths, const std::string& file,
                   std::string* error) {
  // The keys are looked up first: a path that names nothing is told as
  // such, whatever the state of the file's folder.
  std::vector<ExportRoot> roots;
  if (!OpenExportRoots(registry, key_paths, &roots, error)) return false;
  FileReplacement replacement{file, {}};
  bool walked = false;
  replacement.produce = [&](const ContentWriter& write, std::string* produce_error) {
    std::string swapped;
    TextOut out([&](std::u16string_view piece) {
      if constexpr (std::endian::native == std::endian::little) {
        // The text's own bytes already are UTF-16LE.
        return write(
            std::string_view(reinterpret_cast<const char*>(piece.data()), piece.size() * sizeof(char16_t)));
      }
      swapped.clear();
      for (char16_t c : piece) {
        swapped.push_back(static_cast<char>(c & 0xFF));
        swapped.push_back(static_cast<char>(c >> 8));
      }
      return write(swapped);
    });
    out.Put(u'\xFEFF');
    walked = true;
    return WriteExport(registry, roots, out, produce_error);
  };
  const bool ok = ReplaceFiles({&replacement, 1}, error);
  // The producer closes the keys; when it never ran they are still open.
  if (!walked) {
    for (const ExportRoot& root : roots) registry.CloseKey(root.key);
  }
  return ok;
}

}  // namespace platform
