// Readers for the small text files game launchers keep beside their Wine
// prefixes: Valve's KeyValues (Steam's libraryfolders.vdf and
// appmanifest_<id>.acf) and the plain YAML of Lutris' game files and Bottles'
// bottle.yml. These files are outside input: any text is accepted, nothing
// read from them is trusted, and a malformed file simply yields less.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One KeyValues entry: a key with either a text value or a block of entries.
struct KeyValue {
  std::string key;
  std::string value;
  std::vector<KeyValue> children;
  bool is_block = false;

  // The first direct child whose key equals `name` without regard to ASCII case.
  const KeyValue* Find(std::string_view name) const;
};

// Parses KeyValues text: "quoted" or bare tokens, \" \\ \n \t escapes in
// quoted ones, // comments, { } blocks, [$CONDITION] tags (ignored). Blocks
// nested deeper than 32 levels, and what follows an unbalanced brace, are
// dropped. Never fails: returns the top-level entries it could read.
std::vector<KeyValue> ParseKeyValues(std::string_view text);

// The library folders listed in a libraryfolders.vdf: the numbered entries of
// its top block, either `"1" "PATH"` (older Steam) or `"1" { "path" "PATH" }`.
std::vector<std::string> SteamLibraryFolders(std::string_view vdf_text);

// The "name" of an appmanifest_<id>.acf ("AppState" { "name" "..." }).
std::optional<std::string> SteamAppName(std::string_view acf_text);

// The scalar at `path` (a chain of mapping keys, e.g. {"game", "prefix"}) of a
// block-style YAML mapping. Plain, 'single' and "double" quoted scalars are
// understood; flow collections, anchors and multi-line scalars are not (they
// yield nothing). Comments and blank lines are skipped.
std::optional<std::string> YamlScalar(std::string_view text, const std::vector<std::string_view>& path);

// Reads a small regular file whole; nothing for anything else (a folder, a
// FIFO, a file over `limit` bytes, an unreadable one).
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit = 1 << 20);

}  // namespace platform
