#include "tools/clarivo-cli/registry_editor.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/reg_file.h"
#include "platform/text.h"
#include "platform/wine_registry.h"

namespace cli {

bool HeldRegistryEditor::Export(const std::string& file, const std::string& root, std::string* error) {
  return platform::ExportRegFile(registry_, {platform::ToUtf16(root)}, file, error);
}

bool HeldRegistryEditor::Import(const std::vector<std::string>& files, std::string* error) {
  std::vector<std::vector<platform::RegFileOp>> parsed(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::ifstream in(files[i], std::ios::binary);
    std::string bytes;
    if (in) bytes.assign(std::istreambuf_iterator<char>(in), {});
    if (!in || in.bad()) {
      *error = "cannot read " + files[i] + ": " + std::strerror(errno);
      return false;
    }
    if (!platform::ParseRegFile(bytes, files[i], &parsed[i], error)) return false;
  }
  auto* wine = dynamic_cast<platform::WineRegistry*>(&registry_);
  const auto drop = [&] {
    if (wine != nullptr) wine->DiscardChanges();
    return false;
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!platform::ApplyRegOps(registry_, parsed[i], files[i], error)) return drop();
  }
  if (registry_.Flush() != platform::kRegOk) {
    *error = "cannot save the registry";
    if (wine != nullptr && !wine->last_error().empty()) *error += ": " + wine->last_error();
    return drop();
  }
  return true;
}

}  // namespace cli
