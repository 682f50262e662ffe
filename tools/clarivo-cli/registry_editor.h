// The exports and imports of restore points, done on the registry the cli has
// open instead of by a clarivo-regedit that would read it all again.
#pragma once

#include <string>
#include <vector>

#include "app/core/restore_point_store.h"
#include "platform/registry.h"

namespace cli {

class HeldRegistryEditor final : public clarivo::IRegistryEditor {
 public:
  explicit HeldRegistryEditor(platform::Registry& registry) : registry_(registry) {}

  bool Export(const std::string& file, const std::string& root, std::string* error) override;
  // All or nothing: on any fault in any file the changes made so far are
  // dropped before anything is saved.
  bool Import(const std::vector<std::string>& files, std::string* error) override;

 private:
  platform::Registry& registry_;
};

}  // namespace cli
