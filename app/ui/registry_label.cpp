#include "app/ui/registry_label.h"

#include <cstdlib>

#include "app/core/registry_choice.h"
#include "app/ui/ui_text.h"
#include "platform/prefix_discovery.h"
#include "platform/registry_files.h"

namespace clarivo::ui {

wxString RegistryDisplayName(const std::string& source) {
  std::string text = source;
  if (text.starts_with("wine:")) {
    text = text.substr(5);
    const char* home = std::getenv("HOME");
    const std::string prefix = home != nullptr ? std::string(home) : std::string();
    if (!prefix.empty() && prefix != "/" && text.starts_with(prefix + "/")) {
      text = "~" + text.substr(prefix.size());
    }
  }
  return wxString::FromUTF8(text);
}

wxString CurrentRegistryCaption() {
  const std::string current = CurrentRegistryName();
  wxString name = RegistryDisplayName(current);
  if (current.starts_with("wine:")) {
    const std::string folder = current.substr(5);
    for (const platform::WinePrefix& prefix : platform::DiscoverWinePrefixes()) {
      if (prefix.real_path != folder) continue;
      // A launcher's name for it says more than its folder's.
      if (!prefix.name.empty() && prefix.name != folder.substr(folder.rfind('/') + 1)) {
        name = wxString::FromUTF8(prefix.name) + " (" + name + ")";
      }
      break;
    }
  }
  return wxString::Format(Tr("Registry: %s"), name);
}

wxString EnvironmentRegistryNote() {
  const std::string variable = EnvironmentRegistryVariable();
  if (variable.empty()) return {};
  const std::string value = EnvironmentRegistryValue();
  // A bare folder (WINEPREFIX, or CLARIVO_REGISTRY without "wine:") is a prefix.
  const wxString shown = RegistryDisplayName(value.starts_with("/") ? "wine:" + value : value);
  return wxString::Format(Tr("%s is set (%s): it chooses the registry, not this setting."),
                          wxString::FromUTF8(variable), shown);
}

}  // namespace clarivo::ui
