#include "host/host_options.h"

#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/xml/xml.h>

#include <optional>

#include "host/host_paths.h"

namespace tweaks {

void LoadHostOptionsFile(const wxString& systemXml, HostOptions& record) {
  record.haveTray = false;
  record.singleInstance = false;
  wxXmlDocument doc;
  {
    wxLogNull quiet;  // a broken file is treated as empty, not reported
    if (!wxFileExists(systemXml) || !doc.Load(systemXml, "UTF-8") || !doc.GetRoot()) return;
  }
  for (const wxXmlNode* child = doc.GetRoot()->GetChildren(); child; child = child->GetNext()) {
    if (child->GetType() != wxXML_ELEMENT_NODE || !child->GetName().IsSameAs("other", false)) continue;
    record.haveTray = child->GetAttribute("HaveTray", "y").IsSameAs("y", false);
    record.singleInstance = child->GetAttribute("IsSingleInstance", "y").IsSameAs("y", false);
    return;
  }
}

void LoadHostOptionsFile(HostOptions& record) { LoadHostOptionsFile(SystemXmlPath(), record); }

HostOptions ReadHostOptions() {
  // Filled on the main thread before anything else could read it.
  static std::optional<HostOptions> cache;
  if (!cache) {
    HostOptions options;
    LoadHostOptionsFile(options);
    cache = options;
  }
  return *cache;
}

}  // namespace tweaks
