// Parsing of the Overview view's sources and the script handed to its page.
#include "system_facts.h"

#include <gtest/gtest.h>

namespace tweaks::overview {
namespace {

TEST(SystemFacts, DistributionNameFromOsRelease) {
  EXPECT_EQ(DistributionFromOsRelease(
                "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(DistributionFromOsRelease("# c\nNAME='Arch'\nVERSION=\"rolling \\\"x\\\"\"\n"),
            "Arch rolling \"x\"");
  EXPECT_EQ(DistributionFromOsRelease("NAME=Alpine\n"), "Alpine");
  EXPECT_EQ(DistributionFromOsRelease(""), "");
}

TEST(SystemFacts, MemoryFromMeminfoInBytes) {
  Memory memory =
      MemoryFromMeminfo("MemTotal:       16315784 kB\nMemFree: 1 kB\nMemAvailable:    8000000 kB\n");
  EXPECT_EQ(memory.total, 16315784ull * 1024);
  EXPECT_EQ(memory.available, 8000000ull * 1024);
  EXPECT_EQ(MemoryFromMeminfo("garbage\n").total, 0u);
}

TEST(SystemFacts, ByteCountsInBinaryUnits) {
  EXPECT_EQ(FormatBytes(0), "0 B");
  EXPECT_EQ(FormatBytes(1023), "1023 B");
  EXPECT_EQ(FormatBytes(1536), "1.5 KiB");
  EXPECT_EQ(FormatBytes(5ull << 30), "5.0 GiB");
}

TEST(SystemFacts, ScriptEscapesTextsThatCouldBreakThePage) {
  std::string script = FactsScript("Head \"x\"", {{"Name", "a\"b\\c</script><b>\n"}});
  EXPECT_NE(script.find("window.tweaksHeading = \"Head \\\"x\\\"\";"), std::string::npos);
  EXPECT_NE(script.find("{label: \"Name\", value: \"a\\\"b\\\\c\\u003c/script>\\u003cb>\\n\"}"),
            std::string::npos);
  EXPECT_EQ(script.find("</script>"), std::string::npos);
}

TEST(SystemFacts, CollectedFactsNameTheBasics) {
  auto facts = CollectFacts("/");
  auto has = [&](const std::string& label) {
    for (const auto& [name, value] : facts) {
      if (name == label) return !value.empty();
    }
    return false;
  };
  EXPECT_TRUE(has("Distribution"));
  EXPECT_TRUE(has("Kernel"));
  EXPECT_TRUE(has("Memory"));
  EXPECT_TRUE(has("Disk used"));
}

}  // namespace
}  // namespace tweaks::overview
