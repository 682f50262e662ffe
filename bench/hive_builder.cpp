#include "bench/hive_builder.h"

#include <cctype>
#include <cstdio>

namespace bench {
namespace {

// Fixed stamps: a generated registry is the same on every run.
constexpr const char* kKeyStamp = "1765152000";
constexpr const char* kTimeLine = "#time=1dc67d598970000";

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char digits[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    if (i) out += ',';
    out += digits;
  }
  return out;
}

}  // namespace

std::string EscapeRegText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

HiveBuilder::HiveBuilder(std::string relative_to) : relative_to_(std::move(relative_to)) {}

HiveBuilder::Node* HiveBuilder::Key(std::string_view path) { return Key(&root_, path); }

HiveBuilder::Node* HiveBuilder::Key(Node* parent, std::string_view path) {
  Node* node = parent;
  while (!path.empty()) {
    const std::size_t cut = path.find('\\');
    const std::string_view part = path.substr(0, cut);
    path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
    if (part.empty()) continue;
    std::unique_ptr<Node>& slot = node->subkeys[Lower(part)];
    if (!slot) {
      slot = std::make_unique<Node>();
      slot->name = std::string(part);
      ++key_count_;
    }
    node = slot.get();
  }
  return node;
}

void HiveBuilder::AddValue(Node* key, std::string_view name, const std::string& data) {
  std::string line = name.empty() ? std::string("@") : "\"" + EscapeRegText(name) + "\"";
  line += '=';
  line += data;
  key->values.push_back(std::move(line));
  ++value_count_;
}

void HiveBuilder::Sz(Node* key, std::string_view name, std::string_view text) {
  AddValue(key, name, "\"" + EscapeRegText(text) + "\"");
}

void HiveBuilder::ExpandSz(Node* key, std::string_view name, std::string_view text) {
  AddValue(key, name, "str(2):\"" + EscapeRegText(text) + "\"");
}

void HiveBuilder::Dword(Node* key, std::string_view name, std::uint32_t number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08x", number);
  AddValue(key, name, std::string("dword:") + digits);
}

void HiveBuilder::Binary(Node* key, std::string_view name, const std::vector<std::uint8_t>& bytes) {
  AddValue(key, name, "hex:" + HexBytes(bytes));
}

void HiveBuilder::MultiSz(Node* key, std::string_view name, const std::vector<std::string>& texts) {
  // REG_MULTI_SZ as UTF-16LE: each text NUL-terminated, then one more NUL.
  std::vector<std::uint8_t> bytes;
  for (const std::string& text : texts) {
    for (char c : text) {
      bytes.push_back(static_cast<std::uint8_t>(c));
      bytes.push_back(0);
    }
    bytes.insert(bytes.end(), {0, 0});
  }
  bytes.insert(bytes.end(), {0, 0});
  AddValue(key, name, "hex(7):" + HexBytes(bytes));
}

void HiveBuilder::Write(std::ostream& out) const {
  out << "WINE REGISTRY Version 2\n;; All keys relative to " << EscapeRegText(relative_to_)
      << "\n\n#arch=win64\n";
  for (const auto& [lower, child] : root_.subkeys) WriteNode(out, *child, EscapeRegText(child->name));
}

void HiveBuilder::WriteNode(std::ostream& out, const Node& node, const std::string& path) const {
  // As wineserver: a key gets a block of its own when it has values or no
  // subkeys; keys that only hold subkeys are implied by the longer paths.
  if (!node.values.empty() || node.subkeys.empty()) {
    out << "\n[" << path << "] " << kKeyStamp << '\n' << kTimeLine << '\n';
    for (const std::string& line : node.values) out << line << '\n';
  }
  for (const auto& [lower, child] : node.subkeys) {
    WriteNode(out, *child, path + "\\\\" + EscapeRegText(child->name));
  }
}

}  // namespace bench
