// The check made before every scan: a registry read once is not parsed again
// while its files are unchanged, and a file damaged or replaced afterwards is
// still reported.
#include "app/ui/registry_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/ui/ui_test_support.h"

namespace clarivo::ui {
namespace {

namespace fs = std::filesystem;

TEST(RegistryCheckTest, ChangedFilesAreReadAgain) {
  const fs::path prefix = fs::path(uitest::BaseFolder()) / "check-prefix";
  fs::remove_all(prefix);
  fs::copy(fs::path(CLARIVO_SOURCE_DIR) / "examples/demo-prefix", prefix, fs::copy_options::recursive);
  const std::string source = "wine:" + prefix.string();
  setenv("CLARIVO_REGISTRY", source.c_str(), 1);
  EXPECT_TRUE(CheckRegistry().readable);
  EXPECT_TRUE(CheckRegistry().readable);  // unchanged: known readable

  // Damaged in place (same file, new size) and then replaced by a new file.
  const fs::path system_reg = prefix / "system.reg";
  const fs::path kept = prefix / "system.reg.good";
  fs::copy_file(system_reg, kept);
  uitest::WriteFile(system_reg.string(), "WINE REGISTRY Version 2\n[broken\n");
  setenv("CLARIVO_REGISTRY", source.c_str(), 1);
  RegistryState state = CheckRegistry();
  EXPECT_FALSE(state.readable);
  EXPECT_FALSE(state.reason.empty());

  fs::rename(kept, system_reg);
  setenv("CLARIVO_REGISTRY", source.c_str(), 1);
  EXPECT_TRUE(CheckRegistry().readable);
  const fs::path fresh = prefix / "system.reg.new";
  uitest::WriteFile(fresh.string(), "not a registry at all\n");
  fs::rename(fresh, system_reg);
  setenv("CLARIVO_REGISTRY", source.c_str(), 1);
  EXPECT_FALSE(CheckRegistry().readable);
  unsetenv("CLARIVO_REGISTRY");
}

}  // namespace
}  // namespace clarivo::ui
