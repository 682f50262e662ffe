// Builds one registry hive in memory and writes it in Wine's registry file
// format, keys in the order wineserver keeps them, so that the result looks
// like a file Wine saved itself. Plain ASCII names and data only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

class HiveBuilder {
 public:
  struct Node {
    std::string name;
    std::map<std::string, std::unique_ptr<Node>> subkeys;  // by lower-cased name
    std::vector<std::string> values;                       // finished value lines
  };

  // `relative_to` is the header path, e.g. "REGISTRY\\Machine".
  explicit HiveBuilder(std::string relative_to);

  // Creates the key and any missing parents; `path` uses single backslashes.
  Node* Key(std::string_view path);
  Node* Key(Node* parent, std::string_view path);

  // An empty name is the default value.
  void Sz(Node* key, std::string_view name, std::string_view text);
  void ExpandSz(Node* key, std::string_view name, std::string_view text);
  void Dword(Node* key, std::string_view name, std::uint32_t number);
  void Binary(Node* key, std::string_view name, const std::vector<std::uint8_t>& bytes);
  void MultiSz(Node* key, std::string_view name, const std::vector<std::string>& texts);

  std::uint64_t key_count() const { return key_count_; }  // implied keys included, root not
  std::uint64_t value_count() const { return value_count_; }

  void Write(std::ostream& out) const;

 private:
  void AddValue(Node* key, std::string_view name, const std::string& data);
  void WriteNode(std::ostream& out, const Node& node, const std::string& path) const;

  std::string relative_to_;
  Node root_;
  std::uint64_t key_count_ = 0;
  std::uint64_t value_count_ = 0;
};

// Text between quotes as Wine writes it: backslash and quote escaped.
std::string EscapeRegText(std::string_view text);

}  // namespace bench
