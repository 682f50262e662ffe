// Wine registry files: whatever is read, written back (blocks copied as they
// were, then every block written anew) and read again gives the same tree;
// read in two parts joined afterwards, it gives exactly the tree (or the
// error) of one read.
#include "platform/wine_format.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/wine_tree_difference.h"

namespace {

using platform::RegNode;

// The text cut at a few places, each read in two parts.
void CheckSplitReads(const std::string& text, bool ok, const std::string& error,
                     const platform::WineHiveFile& hive) {
  for (std::size_t first_size : {text.size() / 4, text.size() / 2, text.size() * 3 / 4}) {
    platform::WineSplitParse split(text, "system.reg", first_size);
    platform::WineHiveFile joined;
    std::string joined_error;
    const bool joined_ok = split.Finish(&joined, &joined_error);
    FUZZ_CHECK(joined_ok == ok, "read in two parts, the file is accepted as when read whole");
    if (!ok) {
      FUZZ_CHECK(joined_error == error,
                 ("the same error in two parts: " + joined_error + " / " + error).c_str());
      continue;
    }
    FUZZ_CHECK(joined.header == hive.header && joined.text == hive.text,
               "the same header and text in two parts");
    const std::string difference = wine_tree::TreeDifference(*hive.root, *joined.root, true);
    FUZZ_CHECK(difference.empty(), ("the same tree in two parts: " + difference).c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::WineHiveFile hive;
  std::string error;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const bool ok = platform::ParseWineRegistry(text, "system.reg", &hive, &error);
  CheckSplitReads(text, ok, error, hive);
  if (!ok) {
    FUZZ_CHECK(error.starts_with("system.reg line "), "an error names the file and the line");
    return 0;
  }
  const std::string copied = platform::FormatWineRegistry(hive, nullptr, nullptr);
  platform::WineHiveFile again;
  FUZZ_CHECK(platform::ParseWineRegistry(copied, "copied", &again, &error), error.c_str());
  std::string difference = wine_tree::TreeDifference(*hive.root, *again.root, false);
  FUZZ_CHECK(difference.empty(),
             ("the tree written back with copied blocks reads the same: " + difference).c_str());

  wine_tree::MarkAllChanged(hive.root.get());
  const std::string rewritten = platform::FormatWineRegistry(hive, nullptr, nullptr);
  platform::WineHiveFile third;
  FUZZ_CHECK(platform::ParseWineRegistry(rewritten, "rewritten", &third, &error), error.c_str());
  difference = wine_tree::TreeDifference(*hive.root, *third.root, false);
  FUZZ_CHECK(difference.empty(), ("the tree written anew reads the same: " + difference).c_str());
  return 0;
}
