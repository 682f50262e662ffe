// View plug-in "Startup": the programs that start with the desktop, with
// their command and state, switched on and off as desktops do it.
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "autostart.h"
#include "host/main_control.h"
#include "host/view_interface.h"

namespace tweaks::startup {
namespace {

// Asks the view to read the autostart folders again.
constexpr const wchar_t* kRefreshCommand = L"STARTUP_REFRESH";

class StartupView final : public ViewInterface {
 public:
  void Shutdown() override { panel_ = nullptr; }

  int32_t OnMessage(const wchar_t* command, uintptr_t, intptr_t) override {
    if (wxString(command).IsSameAs(kRefreshCommand, false)) {
      Refresh();
      return kViewAccepts;
    }
    // Changes are written at once, so there is never a reason to refuse a
    // close; every other host command is left to the other views.
    return 0;
  }

  void Init(MainControl* host, void*, wxWindow* parent) override {
    host_ = host;
    panel_ = new wxPanel(parent, wxID_ANY);
    wxColour colour;
    if (host_->FindColour("content", colour)) panel_->SetBackgroundColour(colour);

    auto* heading = new wxStaticText(panel_, wxID_ANY, _("Programs that start with your desktop"));
    wxFont font;
    if (host_->FindFont("heading", font)) heading->SetFont(font);
    if (host_->FindColour("text", colour)) heading->SetForegroundColour(colour);
    auto* hint = new wxStaticText(panel_, wxID_ANY,
                                  _("Switched-off entries stay on the disk and can be switched on again."));
    if (host_->FindFont("small", font)) hint->SetFont(font);
    if (host_->FindColour("muted", colour)) hint->SetForegroundColour(colour);
    // Sized for their skin fonts: the toolkit applies a font to a label
    // only later and would keep the size of the default font.
    for (wxStaticText* label : {heading, hint})
      label->SetMinSize(label->GetTextExtent(label->GetLabel()) + wxSize(4, 4));

    list_ = new wxListCtrl(panel_, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_THEME);
    list_->AppendColumn(_("Name"), wxLIST_FORMAT_LEFT, 170);
    list_->AppendColumn(_("Command"), wxLIST_FORMAT_LEFT, 290);
    list_->AppendColumn(_("State"), wxLIST_FORMAT_LEFT, 110);

    enable_ = new wxButton(panel_, wxID_ANY, _("Enable"));
    disable_ = new wxButton(panel_, wxID_ANY, _("Disable"));
    auto* refresh = new wxButton(panel_, wxID_ANY, _("Refresh"));
    status_ = new wxStaticText(panel_, wxID_ANY, wxString());
    if (host_->FindColour("muted", colour)) status_->SetForegroundColour(colour);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(enable_, 0, wxRIGHT, 8);
    buttons->Add(disable_, 0, wxRIGHT, 8);
    buttons->Add(refresh, 0, wxRIGHT, 16);
    buttons->Add(status_, 1, wxALIGN_CENTER_VERTICAL);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(heading, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 16);
    sizer->AddSpacer(6);
    sizer->Add(hint, 0, wxEXPAND | wxLEFT | wxRIGHT, 16);
    sizer->Add(list_, 1, wxEXPAND | wxALL, 16);
    sizer->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 16);
    panel_->SetSizer(sizer);

    enable_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Switch(true); });
    disable_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Switch(false); });
    refresh->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Refresh(); });
    list_->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { UpdateButtons(); });
    list_->Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) { UpdateButtons(); });
    Refresh();
  }

  wxWindow* GetWindow() override { return panel_; }

  void SetBounds(const wxPoint&, const wxSize& size) override {
    if (panel_) panel_->SetSize(size);
  }

 private:
  void Refresh() {
    if (!list_) return;
    entries_ = ListAutostartEntries(FoldersFromEnvironment());
    list_->DeleteAllItems();
    for (size_t i = 0; i < entries_.size(); ++i) {
      const AutostartEntry& entry = entries_[i];
      long row = list_->InsertItem(static_cast<long>(i), wxString::FromUTF8(entry.name));
      list_->SetItem(row, 1, wxString::FromUTF8(entry.command));
      list_->SetItem(row, 2, entry.enabled ? _("Enabled") : _("Disabled"));
      wxColour colour;
      if (host_->FindColour(entry.enabled ? "enabled" : "disabled", colour))
        list_->SetItemTextColour(row, colour);
    }
    status_->SetLabel(wxString::Format(_("%zu entries"), entries_.size()));
    UpdateButtons();
  }

  long Selected() const { return list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); }

  void UpdateButtons() {
    long row = Selected();
    bool valid = row >= 0 && static_cast<size_t>(row) < entries_.size();
    enable_->Enable(valid && !entries_[row].enabled);
    disable_->Enable(valid && entries_[row].enabled);
  }

  void Switch(bool enabled) {
    long row = Selected();
    if (row < 0 || static_cast<size_t>(row) >= entries_.size()) return;
    std::string id = entries_[row].id;
    bool done = SetAutostartEnabled(FoldersFromEnvironment(), id, enabled);
    wxString message =
        wxString::Format(done ? _("%s: %s") : _("%s could not be changed"),
                         wxString::FromUTF8(entries_[row].name), enabled ? _("Enabled") : _("Disabled"));
    host_->LogMessage(
        wxString::Format("Startup: %s %s %s", id, enabled ? "enable" : "disable", done ? "done" : "failed")
            .wc_str());
    Refresh();
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].id == id)
        list_->SetItemState(static_cast<long>(i), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    status_->SetLabel(message);
  }

  MainControl* host_ = nullptr;
  wxPanel* panel_ = nullptr;
  wxListCtrl* list_ = nullptr;
  wxButton* enable_ = nullptr;
  wxButton* disable_ = nullptr;
  wxStaticText* status_ = nullptr;
  std::vector<AutostartEntry> entries_;
};

}  // namespace
}  // namespace tweaks::startup

TWEAKS_VIEW_EXPORT tweaks::ViewInterface* GetViewInterface() {
  static tweaks::startup::StartupView view;
  return &view;
}
