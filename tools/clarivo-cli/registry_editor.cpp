#include "tools/clarivo-cli/registry_editor.h"

#include "platform/reg_file.h"
#include "platform/text.h"

namespace cli {

bool HeldRegistryEditor::Export(const std::string& file, const std::string& root, std::string* error) {
  return platform::ExportRegFile(registry_, {platform::ToUtf16(root)}, file, error);
}

bool HeldRegistryEditor::Import(const std::vector<std::string>& files, std::string* error) {
  return platform::ImportRegFiles(registry_, files, error);
}

}  // namespace cli
