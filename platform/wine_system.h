// The Windows installation of a Wine prefix: its registry files, its drives
// (dosdevices links), its environment and shell folders.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/environment.h"
#include "platform/path_mapping.h"
#include "platform/windows_system.h"

namespace platform {

class WineSystem : public WindowsSystem {
 public:
  // `prefix_dir` is absolute; `registry` is normally the prefix's
  // WineRegistry (any Registry will do, e.g. for tests).
  WineSystem(std::string prefix_dir, std::unique_ptr<Registry> registry);

  Registry& registry() override { return *registry_; }
  bool PathFileExists(std::u16string_view windows_path) override;
  void BeginScan() override { mapper_.BeginScan(); }
  void EndScan() override { mapper_.EndScan(); }
  std::u16string ExpandEnvironmentStrings(std::u16string_view text) override;
  std::u16string GetSpecialFolder(int csidl) override;
  std::string ToHostPath(std::u16string_view windows_path) override;
  std::string Describe() const override;
  std::string SourceSpec() const override;
  std::string Warning() const override;

 private:
  const Environment& environment();

  std::string prefix_dir_;
  std::unique_ptr<Registry> registry_;
  WinePathMapper mapper_;
  std::once_flag environment_loaded_;
  Environment environment_;
};

// `dir` made absolute (from the current folder) with "." and empty components
// dropped; ".." and symbolic links stay as given, so the name the user chose
// is what they and child processes see.
std::string AbsoluteFolder(const std::string& dir);

inline constexpr const char* kServerRunningWarning =
    "a wineserver is running for this prefix; what was read may be stale and changes cannot be saved";

}  // namespace platform
