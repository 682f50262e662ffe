// A Windows installation for engine tests: an in-memory registry, a set of
// existing paths, an environment and special folders, with short helpers to
// build fixtures. Paths and names compare case-insensitively, as on Windows.
#pragma once

#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/windows_system.h"
#include "shared/clean_reg.h"

namespace clarivo_test {

// Forwards to a MemoryRegistry and counts what the engine does with it, so a
// test can tell "opened nothing" from "opened and found nothing". Flush can be
// made to fail as a disk would.
class CountingRegistry : public platform::Registry {
 public:
  platform::MemoryRegistry& inner() { return inner_; }

  int opens = 0;      // OpenKey calls
  int deletions = 0;  // DeleteTree and DeleteValue calls
  int flushes = 0;    // Flush calls
  std::int32_t flush_result = platform::kRegOk;
  bool read_only = false;  // refuse every deletion, as a store a wineserver holds does

  std::int32_t OpenKey(platform::RegKey parent, std::u16string_view path, platform::RegKey* out) override {
    ++opens;
    return inner_.OpenKey(parent, path, out);
  }
  std::int32_t CreateKey(platform::RegKey parent, std::u16string_view path, platform::RegKey* out) override {
    return inner_.CreateKey(parent, path, out);
  }
  void CloseKey(platform::RegKey key) override { inner_.CloseKey(key); }
  std::int32_t QueryInfo(platform::RegKey key, std::uint32_t* subkeys, std::uint32_t* values) override {
    return inner_.QueryInfo(key, subkeys, values);
  }
  std::int32_t EnumKey(platform::RegKey key, std::uint32_t index, std::u16string* name) override {
    return inner_.EnumKey(key, index, name);
  }
  std::int32_t EnumValue(platform::RegKey key, std::uint32_t index, std::u16string* name,
                         platform::RegValue* value) override {
    return inner_.EnumValue(key, index, name, value);
  }
  std::int32_t QueryValue(platform::RegKey key, std::u16string_view name,
                          platform::RegValue* value) override {
    return inner_.QueryValue(key, name, value);
  }
  std::int32_t SetValue(platform::RegKey key, std::u16string_view name,
                        const platform::RegValue& value) override {
    return inner_.SetValue(key, name, value);
  }
  std::int32_t DeleteTree(platform::RegKey key, std::u16string_view subpath) override {
    ++deletions;
    if (read_only) return platform::kRegAccessDenied;
    return inner_.DeleteTree(key, subpath);
  }
  std::int32_t DeleteValue(platform::RegKey key, std::u16string_view name) override {
    ++deletions;
    if (read_only) return platform::kRegAccessDenied;
    return inner_.DeleteValue(key, name);
  }
  std::int32_t Flush() override {
    ++flushes;
    return flush_result;
  }

 private:
  platform::MemoryRegistry inner_;
};

class FakeSystem : public platform::WindowsSystem {
 public:
  // ---- platform::WindowsSystem ----
  platform::Registry& registry() override { return registry_; }

  bool PathFileExists(std::u16string_view windows_path) override {
    ++exists_queries;
    checked_paths.emplace_back(windows_path);
    return paths_.count(Normalize(windows_path)) != 0;
  }

  std::u16string ExpandEnvironmentStrings(std::u16string_view text) override {
    std::u16string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
      const std::size_t open = text.find(u'%', pos);
      if (open == std::u16string_view::npos) break;
      const std::size_t close = text.find(u'%', open + 1);
      if (close == std::u16string_view::npos) break;
      out.append(text.substr(pos, open - pos));
      const auto found = environment_.find(Fold(text.substr(open + 1, close - open - 1)));
      if (found != environment_.end()) {
        out.append(found->second);
        pos = close + 1;
      } else {
        // Unknown names stay as written; the closing % may open the next name.
        out.push_back(u'%');
        out.append(text.substr(open + 1, close - open - 1));
        pos = close;
      }
    }
    out.append(text.substr(pos));
    return out;
  }

  std::u16string GetSpecialFolder(int csidl) override {
    const auto found = special_folders_.find(csidl);
    return found == special_folders_.end() ? std::u16string() : found->second;
  }

  // "X:\a\b" maps to host_root + "/x/a/b"; a Linux absolute path stays.
  std::string ToHostPath(std::u16string_view windows_path) override {
    std::string path = platform::ToUtf8(windows_path);
    if (!path.empty() && path[0] == '/') return path;
    if (host_root.empty() || path.size() < 2 || path[1] != ':') return {};
    std::string mapped =
        host_root + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
    for (std::size_t i = 2; i < path.size(); ++i) mapped.push_back(path[i] == '\\' ? '/' : path[i]);
    while (mapped.size() > 1 && mapped.back() == '/') mapped.pop_back();
    return mapped;
  }

  std::string Describe() const override { return "fake:" + source_spec; }
  std::string SourceSpec() const override { return source_spec; }
  std::string Warning() const override { return {}; }

  // ---- fixture helpers ----
  CountingRegistry& counting() { return registry_; }
  platform::MemoryRegistry& memory() { return registry_.inner(); }

  // Makes a file or folder exist, with every folder above it.
  void AddFile(std::u16string_view path) {
    std::u16string normal = Normalize(path);
    while (!normal.empty()) {
      paths_.insert(normal);
      const std::size_t slash = normal.rfind(u'\\');
      if (slash == std::u16string::npos) break;
      normal.resize(slash);
    }
  }
  void RemoveFile(std::u16string_view path) { paths_.erase(Normalize(path)); }

  void SetEnv(std::u16string_view name, std::u16string_view value) {
    environment_[Fold(name)] = std::u16string(value);
  }
  void SetSpecialFolder(int csidl, std::u16string_view path) {
    special_folders_[csidl] = std::u16string(path);
  }

  void AddKey(platform::RegKey root, std::u16string_view path) {
    platform::RegKey key = 0;
    if (registry_.CreateKey(root, path, &key) == platform::kRegOk) registry_.CloseKey(key);
  }
  void SetValue(platform::RegKey root, std::u16string_view path, std::u16string_view name,
                const platform::RegValue& value) {
    platform::RegKey key = 0;
    if (registry_.CreateKey(root, path, &key) != platform::kRegOk) return;
    registry_.SetValue(key, name, value);
    registry_.CloseKey(key);
  }
  void SetString(platform::RegKey root, std::u16string_view path, std::u16string_view name,
                 std::u16string_view text, std::uint32_t type = platform::kRegSz) {
    SetValue(root, path, name, platform::MakeSz(text, type));
  }
  void SetDword(platform::RegKey root, std::u16string_view path, std::u16string_view name, std::uint32_t n) {
    SetValue(root, path, name, platform::MakeDword(n));
  }

  bool HasKey(platform::RegKey root, std::u16string_view path) {
    platform::RegKey key = 0;
    if (registry_.inner().OpenKey(root, path, &key) != platform::kRegOk) return false;
    registry_.inner().CloseKey(key);
    return true;
  }
  bool HasValue(platform::RegKey root, std::u16string_view path, std::u16string_view name) {
    return GetValue(root, path, name).has_value();
  }
  std::optional<platform::RegValue> GetValue(platform::RegKey root, std::u16string_view path,
                                             std::u16string_view name) {
    platform::RegKey key = 0;
    if (registry_.inner().OpenKey(root, path, &key) != platform::kRegOk) return std::nullopt;
    platform::RegValue value;
    const std::int32_t status = registry_.inner().QueryValue(key, name, &value);
    registry_.inner().CloseKey(key);
    if (status != platform::kRegOk) return std::nullopt;
    return value;
  }

  std::string host_root;                    // where ToHostPath puts drive letters
  std::string source_spec = "memory:fake";  // what SourceSpec answers
  int exists_queries = 0;
  std::vector<std::u16string> checked_paths;  // every PathFileExists argument, in order

 private:
  static std::u16string Fold(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = platform::FoldCase(c);
    return out;
  }
  static std::u16string Normalize(std::u16string_view path) {
    std::u16string out = Fold(path);
    while (out.size() > 1 && out.back() == u'\\') out.pop_back();
    return out;
  }

  CountingRegistry registry_;
  std::set<std::u16string> paths_;
  std::map<std::u16string, std::u16string> environment_;
  std::map<int, std::u16string> special_folders_;
};

// One progress report as a test compares it.
struct Report {
  int type = 0;
  std::u16string text;
  int percent = 0;
  int count = 0;
  bool operator==(const Report&) const = default;
};

// Keeps every progress report; `on_report` runs after each one is kept (a
// test stops the engine from there, as a caller may).
class RecordingCallback : public Function::ICallback {
 public:
  bool OnProgress(const Function::RegProgressInfo* info) override {
    reports.push_back({info->type, std::u16string(info->text), info->percent, info->count});
    if (on_report) on_report(reports.size());
    return true;
  }
  std::vector<Report> reports;
  std::function<void(std::size_t)> on_report;
};

}  // namespace clarivo_test
