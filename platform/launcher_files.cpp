#include "platform/launcher_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

namespace platform {
namespace {

constexpr std::size_t kMaxKeyValueDepth = 32;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// One token of KeyValues text.
struct Token {
  enum Kind { kEnd, kOpen, kClose, kText, kCondition } kind = kEnd;
  std::string text;
};

class KeyValueLexer {
 public:
  explicit KeyValueLexer(std::string_view text) : text_(text) {}

  Token Next() {
    SkipSpaceAndComments();
    if (pos_ >= text_.size()) return {};
    const char c = text_[pos_];
    if (c == '{' || c == '}') {
      ++pos_;
      return {c == '{' ? Token::kOpen : Token::kClose, {}};
    }
    if (c == '"') return {Token::kText, Quoted()};
    if (c == '[') {
      const std::size_t end = text_.find(']', pos_);
      pos_ = end == std::string_view::npos ? text_.size() : end + 1;
      return {Token::kCondition, {}};
    }
    std::string bare;
    while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != '"' && text_[pos_] != '{' &&
           text_[pos_] != '}') {
      bare += text_[pos_++];
    }
    return {Token::kText, bare};
  }

 private:
  void SkipSpaceAndComments() {
    while (pos_ < text_.size()) {
      if (IsSpace(text_[pos_])) {
        ++pos_;
      } else if (text_.substr(pos_, 2) == "//") {
        const std::size_t end = text_.find('\n', pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
      } else {
        return;
      }
    }
  }

  // A quoted token; an unterminated one runs to the end of the text.
  std::string Quoted() {
    std::string out;
    ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char c = text_[pos_++];
      if (c == '\\' && pos_ < text_.size()) {
        const char e = text_[pos_++];
        c = e == 'n' ? '\n' : e == 't' ? '\t' : e;
      }
      out += c;
    }
    if (pos_ < text_.size()) ++pos_;
    return out;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// A quoted YAML scalar at the start of `s`; `rest` receives what follows it.
std::optional<std::string> YamlQuoted(std::string_view s, std::string_view* rest) {
  const char quote = s.front();
  std::string out;
  std::size_t i = 1;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (quote == '\'' && c == '\'') {
      if (i + 1 < s.size() && s[i + 1] == '\'') {
        out += '\'';
        ++i;
        continue;
      }
      break;
    }
    if (quote == '"' && c == '"') break;
    if (quote == '"' && c == '\\' && i + 1 < s.size()) {
      const char e = s[++i];
      out += e == 'n' ? '\n' : e == 't' ? '\t' : e == '0' ? '\0' : e;
      continue;
    }
    out += c;
  }
  if (i >= s.size()) return std::nullopt;  // continues on the next line: not understood
  *rest = s.substr(i + 1);
  return out;
}

// The value part of "key: value" as a scalar, or nothing when it is not one.
std::optional<std::string> YamlValue(std::string_view s) {
  s = Trim(s);
  if (s.empty()) return std::nullopt;
  if (s.front() == '"' || s.front() == '\'') {
    std::string_view rest;
    std::optional<std::string> value = YamlQuoted(s, &rest);
    rest = Trim(rest);
    if (!value || (!rest.empty() && rest.front() != '#')) return std::nullopt;
    return value;
  }
  if (std::string_view("[{&*!|>%@`").find(s.front()) != std::string_view::npos) return std::nullopt;
  const std::size_t comment = s.find(" #");
  if (comment != std::string_view::npos) s = Trim(s.substr(0, comment));
  if (s == "~" || s == "null" || s == "Null" || s == "NULL") return std::nullopt;
  return std::string(s);
}

// Splits "key: value" (or "key:") into its key and value; false for other lines.
bool YamlKeyLine(std::string_view line, std::string* key, std::string_view* value) {
  if (line.front() == '"' || line.front() == '\'') {
    std::string_view rest;
    std::optional<std::string> quoted = YamlQuoted(line, &rest);
    if (!quoted || rest.empty() || rest.front() != ':') return false;
    if (rest.size() > 1 && !IsSpace(rest[1])) return false;
    *key = *quoted;
    *value = rest.substr(1);
    return true;
  }
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == ':' && (i + 1 == line.size() || IsSpace(line[i + 1]))) {
      *key = std::string(Trim(line.substr(0, i)));
      *value = line.substr(i + 1);
      return !key->empty();
    }
    if (line[i] == '#' && i > 0 && IsSpace(line[i - 1])) return false;
  }
  return false;
}

}  // namespace

const KeyValue* KeyValue::Find(std::string_view name) const {
  for (const KeyValue& child : children) {
    if (EqualsNoCase(child.key, name)) return &child;
  }
  return nullptr;
}

std::vector<KeyValue> ParseKeyValues(std::string_view text) {
  std::vector<KeyValue> top;
  // The blocks being filled, innermost last. A block's vector is not touched
  // by anything but its own entries while it is open, so the pointers hold.
  std::vector<std::vector<KeyValue>*> open{&top};
  std::size_t skipping = 0;  // depth inside a block being dropped
  std::optional<std::string> key;
  KeyValueLexer lexer(text);
  for (Token token = lexer.Next(); token.kind != Token::kEnd; token = lexer.Next()) {
    switch (token.kind) {
      case Token::kOpen:
        if (skipping > 0 || !key || open.size() > kMaxKeyValueDepth) {
          ++skipping;  // a block without a key, or one too deep
        } else {
          KeyValue block;
          block.key = std::move(*key);
          block.is_block = true;
          open.back()->push_back(std::move(block));
          open.push_back(&open.back()->back().children);
        }
        key.reset();
        break;
      case Token::kClose:
        key.reset();
        if (skipping > 0) {
          --skipping;
        } else if (open.size() > 1) {
          open.pop_back();
        } else {
          return top;  // unbalanced: what follows cannot be placed
        }
        break;
      case Token::kText:
        if (skipping > 0) break;
        if (!key) {
          key = std::move(token.text);
        } else {
          open.back()->push_back(KeyValue{std::move(*key), std::move(token.text), {}, false});
          key.reset();
        }
        break;
      case Token::kCondition:
      case Token::kEnd:
        break;
    }
  }
  return top;
}

std::vector<std::string> SteamLibraryFolders(std::string_view vdf_text) {
  std::vector<std::string> folders;
  for (const KeyValue& top : ParseKeyValues(vdf_text)) {
    if (!top.is_block || !EqualsNoCase(top.key, "libraryfolders")) continue;
    for (const KeyValue& entry : top.children) {
      const bool numbered =
          !entry.key.empty() && entry.key.find_first_not_of("0123456789") == std::string::npos;
      if (!numbered) continue;
      const KeyValue* path = entry.is_block ? entry.Find("path") : nullptr;
      const std::string& folder = entry.is_block ? (path && !path->is_block ? path->value : "") : entry.value;
      if (!folder.empty()) folders.push_back(folder);
    }
  }
  return folders;
}

std::optional<std::string> SteamAppName(std::string_view acf_text) {
  for (const KeyValue& top : ParseKeyValues(acf_text)) {
    if (!top.is_block || !EqualsNoCase(top.key, "AppState")) continue;
    const KeyValue* name = top.Find("name");
    if (name && !name->is_block && !Trim(name->value).empty()) return std::string(Trim(name->value));
  }
  return std::nullopt;
}

std::optional<std::string> YamlScalar(std::string_view text, const std::vector<std::string_view>& path) {
  struct Level {
    std::size_t indent;
    std::string key;  // empty for a sequence item, which no path names
  };
  if (path.empty()) return std::nullopt;
  std::vector<Level> levels;
  std::optional<std::size_t> block_scalar_indent;  // inside "key: |" text
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t indent = 0;
    while (indent < line.size() && line[indent] == ' ') ++indent;
    std::string_view content = line.substr(indent);
    if (Trim(content).empty()) continue;
    if (block_scalar_indent) {
      if (indent > *block_scalar_indent) continue;
      block_scalar_indent.reset();
    }
    if (content.front() == '#' || content.rfind("---", 0) == 0 || content.rfind("...", 0) == 0) continue;
    while (!levels.empty() && levels.back().indent >= indent) levels.pop_back();
    if (content.front() == '-' && (content.size() == 1 || IsSpace(content[1]))) {
      levels.push_back({indent, {}});
      continue;
    }
    std::string key;
    std::string_view value;
    if (!YamlKeyLine(content, &key, &value)) continue;
    const std::string_view trimmed = Trim(value);
    if (trimmed.empty() || trimmed.front() == '#') {
      levels.push_back({indent, key});
      continue;
    }
    if (trimmed.front() == '|' || trimmed.front() == '>') block_scalar_indent = indent;
    if (levels.size() + 1 != path.size() || key != path.back()) continue;
    bool same = true;
    for (std::size_t i = 0; i < levels.size() && same; ++i) same = levels[i].key == path[i];
    if (same) return YamlValue(value);
  }
  return std::nullopt;
}

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit) {
  // O_NONBLOCK: a FIFO put where a file belongs must not hang the caller.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat st;
  std::optional<std::string> text;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) <= limit) {
    std::string bytes;
    char buffer[16384];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) {
        if (n == 0) text = std::move(bytes);
        break;
      }
      bytes.append(buffer, static_cast<std::size_t>(n));
      if (bytes.size() > limit) break;
    }
  }
  close(fd);
  return text;
}

}  // namespace platform
