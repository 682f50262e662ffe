// Export side of .reg files, byte for byte as the Windows registry editor (and
// Wine's) writes them.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/atomic_write.h"
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
// Deeper than Windows allows; stops a link that points at its own ancestor.
constexpr int kMaxDepth = 512;

void AppendAscii(std::u16string* out, std::string_view text) {
  for (char c : text) out->push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
}

// Escapes \ and " as the editor does. Line breaks (possible only in value
// names here, strings holding them go out as hex) are written as \n and \r,
// as Wine does, instead of breaking the line.
std::u16string Escape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 2);
  for (char16_t c : text) {
    if (c == u'\n' || c == u'\r') {
      out.append(c == u'\n' ? u"\\n" : u"\\r");
      continue;
    }
    if (c == u'\\' || c == u'"') out.push_back(u'\\');
    out.push_back(c);
  }
  return out;
}

// A REG_SZ is written as quoted text only when that text reads back into the
// same bytes: one terminating NUL, no NUL inside and no line break (which
// would split the line). Anything else goes out as hex(1) so nothing is lost.
bool IsPlainString(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t units = data.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t c = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (c == 0) return i + 1 == units;
    if (c == u'\r' || c == u'\n') return false;
  }
  return false;
}

void AppendHexData(std::u16string* out, std::uint32_t type, std::size_t line_len,
                   const std::vector<std::uint8_t>& data) {
  char buf[32];
  if (type == kRegBinary) {
    std::snprintf(buf, sizeof buf, "hex:");
  } else {
    std::snprintf(buf, sizeof buf, "hex(%x):", type);
  }
  AppendAscii(out, buf);
  line_len += std::strlen(buf);
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", data[i]);
    AppendAscii(out, buf);
    if (i + 1 == data.size()) break;
    out->push_back(u',');
    line_len += 3;
    if (line_len >= kHexWrapColumn) {
      AppendAscii(out, "\\\r\n  ");
      line_len = 2;
    }
  }
}

void AppendValue(std::u16string* out, std::u16string_view name, const RegValue& value) {
  std::size_t line_len;
  if (name.empty()) {
    out->append(u"@=");
    line_len = 2;
  } else {
    const std::u16string escaped = Escape(name);
    out->push_back(u'"');
    out->append(escaped);
    out->append(u"\"=");
    line_len = escaped.size() + 3;
  }
  if (value.type == kRegSz && IsPlainString(value.data)) {
    out->push_back(u'"');
    out->append(Escape(RegSzText(value)));
    out->push_back(u'"');
  } else if (value.type == kRegDword && value.data.size() == 4) {
    const std::uint32_t n = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                            (static_cast<std::uint32_t>(value.data[3]) << 24);
    char buf[24];
    std::snprintf(buf, sizeof buf, "dword:%08x", n);
    AppendAscii(out, buf);
  } else {
    AppendHexData(out, value.type, line_len, value.data);
  }
  out->append(u"\r\n");
}

void ExportKey(Registry& registry, RegKey key, const std::u16string& full_name, int depth,
               std::u16string* out) {
  out->push_back(u'[');
  out->append(full_name);
  out->append(u"]\r\n");
  std::uint32_t subkeys = 0, values = 0;
  if (registry.QueryInfo(key, &subkeys, &values) != kRegOk) subkeys = values = 0;
  for (std::uint32_t i = 0; i < values; ++i) {
    std::u16string name;
    RegValue value;
    if (registry.EnumValue(key, i, &name, &value) == kRegOk) AppendValue(out, name, value);
  }
  out->append(u"\r\n");
  if (depth >= kMaxDepth) return;
  for (std::uint32_t i = 0; i < subkeys; ++i) {
    std::u16string name;
    if (registry.EnumKey(key, i, &name) != kRegOk) continue;
    RegKey child = 0;
    if (registry.OpenKey(key, name, &child) != kRegOk) continue;
    ExportKey(registry, child, full_name + u'\\' + name, depth + 1, out);
    registry.CloseKey(child);
  }
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
  std::u16string out = u"Windows Registry Editor Version 5.00\r\n\r\n";
  for (const std::u16string& path : key_paths) {
    RegKey root = 0;
    std::u16string rest;
    if (!SplitRootPath(path, true, &root, &rest)) {
      *error = "unknown root key in \"" + ToUtf8(path) + "\"";
      return false;
    }
    std::u16string full_name(RootKeyName(root));
    RegKey key = root;
    if (!rest.empty()) {
      if (registry.OpenKey(root, rest, &key) != kRegOk) {
        *error = "key not found: " + ToUtf8(full_name + u'\\' + rest);
        return false;
      }
      full_name += u'\\' + rest;
    }
    ExportKey(registry, key, full_name, 0, &out);
    registry.CloseKey(key);
  }
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
  std::u16string text;
  if (!FormatRegExport(registry, key_paths, &text, error)) return false;
  return WriteFileAtomically(file, EncodeUtf16File(text), error);
}

}  // namespace platform
