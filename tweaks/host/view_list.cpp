#include "host/view_list.h"

#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/xml/xml.h>

namespace tweaks {

std::vector<ViewEntry> ReadViewList(const wxString& systemXml) {
  std::vector<ViewEntry> views;
  wxXmlDocument doc;
  {
    wxLogNull quiet;
    if (!wxFileExists(systemXml) || !doc.Load(systemXml, "UTF-8") || !doc.GetRoot()) return views;
  }
  for (const wxXmlNode* list = doc.GetRoot()->GetChildren(); list; list = list->GetNext()) {
    if (list->GetType() != wxXML_ELEMENT_NODE || !list->GetName().IsSameAs("VIEWLIST", false)) continue;
    for (const wxXmlNode* view = list->GetChildren(); view; view = view->GetNext()) {
      if (view->GetType() != wxXML_ELEMENT_NODE) continue;
      views.push_back({view->GetAttribute("name"), view->GetAttribute("desc"), view->GetAttribute("path")});
    }
  }
  return views;
}

}  // namespace tweaks
