// How the windows name the registry they speak of: the Wine prefix the
// program cleans now, for the overview, the scan pages, the settings and the
// restore list.
#pragma once

#include <wx/string.h>

#include <string>

namespace clarivo::ui {

// A registry source as a person reads it: "wine:/home/ann/.wine" gives
// "~/.wine" for that user; other sources stay as they are.
wxString RegistryDisplayName(const std::string& source);

// "Registry: ~/.wine" (translated) for the registry cleaned now, with the
// prefix's name when a launcher gave it one ("Registry: Portal 2
// (~/.steam/.../pfx)"). For the overview and the scan pages.
wxString CurrentRegistryCaption();

// When CLARIVO_REGISTRY or WINEPREFIX chose the registry, a sentence saying
// so (it wins over the settings); empty otherwise.
wxString EnvironmentRegistryNote();

}  // namespace clarivo::ui
