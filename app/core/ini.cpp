#include "app/core/ini.h"

#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "app/core/atomic_file.h"
#include "app/core/program_paths.h"
#include "platform/text.h"

namespace clarivo {
namespace {

constexpr std::size_t kBufferStep = 512;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The file as UTF-16: UTF-16LE when it starts with its byte order mark,
// otherwise UTF-8 (with or without a mark).
std::u16string LoadText(const std::string& path) {
  std::optional<std::string> raw = ReadWholeFile(path);
  if (!raw) return {};
  const std::string& b = *raw;
  if (b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xFE) {
    std::u16string out;
    for (std::size_t i = 2; i + 1 < b.size(); i += 2) {
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(b[i]) |
                                          (static_cast<unsigned char>(b[i + 1]) << 8)));
    }
    return out;
  }
  std::string_view text = b;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return platform::ToUtf16(text);
}

// Finds the value of `key` in the first section named `section` that has it.
bool FindValue(const std::u16string& text, std::u16string_view section, std::u16string_view key,
               std::u16string* value) {
  bool in_section = false;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find(u'\n', pos);
    if (end == std::u16string::npos) end = text.size();
    std::u16string_view line = Trim(std::u16string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      std::size_t close = line.find(u']');
      std::u16string_view name =
          Trim(line.substr(1, close == std::u16string_view::npos ? line.size() - 1 : close - 1));
      in_section = platform::EqualsNoCase(name, section);
      continue;
    }
    if (!in_section) continue;
    std::size_t eq = line.find(u'=');
    std::u16string_view name = Trim(line.substr(0, eq));
    if (!platform::EqualsNoCase(name, key)) continue;
    std::u16string_view v =
        eq == std::u16string_view::npos ? std::u16string_view() : Trim(line.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    value->assign(v);
    return true;
  }
  return false;
}

std::mutex g_instance_mutex;

}  // namespace

std::string IniPath() { return ExecutableDir() + "/" + ExecutableBaseName() + ".ini"; }

CIni& CIni::GetInstance() {
  std::string path = IniPath();
  std::lock_guard lock(g_instance_mutex);
  static std::unique_ptr<CIni> instance;
  // Earlier instances stay alive: a caller may still hold one when a tool or
  // test points the program at another executable path.
  static std::vector<std::unique_ptr<CIni>> retired;
  if (!instance || instance->path() != path) {
    if (instance) retired.push_back(std::move(instance));
    instance = std::make_unique<CIni>(path);
  }
  return *instance;
}

std::size_t CIni::ReadInto(const char* section, const char* key, std::size_t buffer_units,
                           std::u16string* out) const {
  out->clear();
  if (!section || !key || buffer_units == 0) return 0;
  std::u16string value;
  if (!FindValue(LoadText(path_), platform::ToUtf16(section), platform::ToUtf16(key), &value)) return 0;
  if (value.size() > buffer_units - 1) value.resize(buffer_units - 1);
  *out = std::move(value);
  return out->size();
}

std::string CIni::GetString(const char* section, const char* key) const {
  if (!section || !key) return {};
  // The Windows caller grows its buffer by kBufferStep units until the text
  // read no longer fills it, which always ends with the whole value. Reading
  // the file once gives that same answer; rereading it per step made a
  // value of a few MiB cost minutes.
  std::u16string value;
  if (!FindValue(LoadText(path_), platform::ToUtf16(section), platform::ToUtf16(key), &value)) return {};
  return platform::ToUtf8(value);
}

int ParseIniInt(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (IsBlank(text[i]) || text[i] == u'\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - u'0');
    if (value > 0xFFFFFFFFu) overflow = true, value = 0xFFFFFFFFu;
  }
  // Like strtoul: an out-of-range number gives the largest value, a negative
  // one is negated in unsigned arithmetic.
  std::uint32_t u = static_cast<std::uint32_t>(value);
  if (negative && !overflow) u = 0u - u;
  return static_cast<int>(static_cast<std::int32_t>(u));
}

int CIni::GetInt(const char* section, const char* key, int default_value) const {
  std::u16string text = platform::ToUtf16(GetString(section, key));
  if (text.empty()) return default_value;
  if (text.size() > 64) text.resize(64);
  return ParseIniInt(text);
}

std::string CIni::GetMenuAddress(const char* key) const { return GetString("Menu", key); }

std::string GetDeployPath(const char* key) {
  std::string value = CIni::GetInstance().GetString("Deploy", key);
  for (char& c : value) {
    if (c == '\\') c = '/';
  }
  if (!value.empty() && value.front() == '/') return value;
  std::string base = ExecutableDir();
  if (base == "/") base.clear();
  while (value.starts_with("../")) {
    std::size_t slash = base.rfind('/');
    base.resize(slash == std::string::npos ? 0 : slash);
    value.erase(0, 3);
  }
  if (value.starts_with("./")) value.erase(0, 2);
  return base + "/" + value;
}

}  // namespace clarivo
