// View plug-in "Overview": the skin's page "html\overview.html" showing the
// machine's basic facts, which this view writes to the info folder as a
// script the page includes. It also answers the host's help, about, update
// and support commands with the skin's pages for them.
#include <wx/ffile.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <memory>

#include "host/html_view.h"
#include "host/main_control.h"
#include "host/view_interface.h"
#include "system_facts.h"

namespace tweaks::overview {
namespace {

// Reads the facts again and shows them.
constexpr const wchar_t* kRefreshCommand = L"OVERVIEW_REFRESH";

class OverviewView final : public ViewInterface {
 public:
  void Shutdown() override {
    html_.reset();
    panel_ = nullptr;
    fallback_ = nullptr;
  }

  int32_t OnMessage(const wchar_t* command, uintptr_t, intptr_t) override {
    wxString text(command);
    if (text.IsSameAs(kRefreshCommand, false)) {
      ShowFacts();
      return kViewAccepts;
    }
    if (text.IsSameAs(kMessageHelp, false) || text.IsSameAs(kMessageSupportWeb, false)) {
      return Show(L"html\\help.html");
    }
    if (text.IsSameAs(kMessageAboutUs, false) || text.IsSameAs(kMessageUpdate, false)) {
      return Show(L"html\\about.html");
    }
    return 0;  // "CLOSE_VIEW" included: nothing here is worth keeping a frame open
  }

  void Init(MainControl* host, void*, wxWindow* parent) override {
    host_ = host;
    panel_ = new wxPanel(parent, wxID_ANY);
    wxColour colour;
    if (host_->FindColour("content", colour)) panel_->SetBackgroundColour(colour);
    html_.reset(host_->CreateHtmlView(panel_));
    if (!html_->HasBrowser()) {
      // No web engine here: the facts as plain text.
      fallback_ = new wxStaticText(panel_, wxID_ANY, wxString());
      auto* sizer = new wxBoxSizer(wxVERTICAL);
      sizer->Add(fallback_, 1, wxEXPAND | wxALL, 16);
      panel_->SetSizer(sizer);
    }
    panel_->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
      if (html_) html_->Resize(event.GetSize().x, event.GetSize().y);
      event.Skip();
    });
    ShowFacts();
  }

  wxWindow* GetWindow() override { return panel_; }

  void SetBounds(const wxPoint&, const wxSize& size) override {
    if (panel_) panel_->SetSize(size);
  }

 private:
  int32_t Show(const wchar_t* page) {
    if (!html_) return 0;
    html_->Navigate(page);
    return kViewAccepts;
  }

  void ShowFacts() {
    std::vector<std::pair<std::string, std::string>> facts;
    for (auto& [label, value] : CollectFacts(wxGetHomeDir().utf8_string())) {
      facts.emplace_back(wxGetTranslation(wxString::FromUTF8(label)).utf8_string(), value);
    }
    if (fallback_) {
      wxString text;
      for (const auto& [label, value] : facts) text += wxString::FromUTF8(label + ": " + value + "\n");
      fallback_->SetLabel(text);
      return;
    }
    std::string script = FactsScript(_("This computer").utf8_string(), facts);
    wxFFile out(host_->GetInfoFilePath("facts.js"), "w");
    if (out.IsOpened()) out.Write(script.data(), script.size());
    out.Close();
    html_->Navigate(L"html\\overview.html");
  }

  MainControl* host_ = nullptr;
  wxPanel* panel_ = nullptr;
  wxStaticText* fallback_ = nullptr;
  std::unique_ptr<HtmlView> html_;
};

}  // namespace
}  // namespace tweaks::overview

TWEAKS_VIEW_EXPORT tweaks::ViewInterface* GetViewInterface() {
  static tweaks::overview::OverviewView view;
  return &view;
}
