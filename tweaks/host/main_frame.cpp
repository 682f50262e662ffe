#include "host/main_frame.h"

#include <wx/dcclient.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/utils.h>

#include "host/host_paths.h"
#include "host/main_control.h"
#include "host/speedup_list_backup.h"
#include "host/view_list.h"

namespace tweaks {

wxIMPLEMENT_CLASS(MainFrame, wxFrame);

namespace {

const char* const kViewButtonIds[] = {"ID_BUTTON_VIEW1", "ID_BUTTON_VIEW2", "ID_BUTTON_VIEW3",
                                      "ID_BUTTON_VIEW4", "ID_BUTTON_VIEW5", "ID_BUTTON_VIEW6",
                                      "ID_BUTTON_VIEW7", "ID_BUTTON_VIEW8"};

const wchar_t* MenuCommand(int id) {
  switch (id) {
    case kMenuHelp:
      return kMessageHelp;
    case kMenuSetting:
      return kMessageSetting;
    case kMenuUpdate:
      return kMessageUpdate;
    case kMenuSupportWeb:
      return kMessageSupportWeb;
    case kMenuAboutUs:
      return kMessageAboutUs;
    case kMenuExit:
      return kExitTweaks;
    default:
      return nullptr;
  }
}

}  // namespace

MainFrame::MainFrame(MainControl* control) : control_(control), xrc_(wxXRC_USE_LOCALE) {
  xrc_.InitAllHandlers();
  xrc_.Load(GetSkinFilePath("xrc\\MainFrame\\MainFrame.xrc"));
  if (!xrc_.LoadFrame(this, nullptr, "ID_MAINFRAME")) {
    wxLogError("Missing wxXmlResource::Get()->Load() in OnInit()?");
    // Without its resource the frame still exists, bare, so that the views
    // have somewhere to live.
    Create(nullptr, wxID_ANY, _("Tweaks"), wxDefaultPosition, wxSize(800, 560));
  }
  FindControls();

  if (!viewsPanel_) viewsPanel_ = new wxPanel(this, wxID_ANY, wxPoint(0, 0), GetClientSize());
  viewsSizer_ = new wxBoxSizer(wxVERTICAL);
  viewsPanel_->SetSizer(viewsSizer_);
  viewsSizer_->Fit(viewsPanel_);
  viewsSizer_->SetSizeHints(viewsPanel_);
  viewsPanel_->SetFocus();

  const wxString skinFile = "xml\\MainFrame\\MainFrame.xml";
  skinView_.reset(control_->CreateSkinView(skinFile));
  attributes_.reset(control_->CreateAttributeList(skinFile));
  skinView_->Apply(this, background_, GetClientSize(), "ID_DEFAULT");

  for (const ViewEntry& entry : ReadViewList(SystemXmlPath())) {
    ViewInfo info;
    info.name = entry.name;
    info.desc = entry.desc;
    info.path = entry.path;
    if (views_.size() < viewButtons_.size()) info.button = viewButtons_[views_.size()];
    views_.push_back(std::move(info));
  }
  LoadViews();
  ActivateView(0);

  Bind(wxEVT_CLOSE_WINDOW, &MainFrame::OnClose, this);
  Bind(wxEVT_PAINT, &MainFrame::OnPaint, this);
  // The skin places every control itself: no default size handling.
  Bind(wxEVT_SIZE, [](wxSizeEvent&) {});
  Bind(wxEVT_LEFT_DOWN, &MainFrame::OnMouse, this);
  Bind(wxEVT_LEFT_UP, &MainFrame::OnMouse, this);
  Bind(wxEVT_MOTION, &MainFrame::OnMouse, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
  Bind(wxEVT_MENU, &MainFrame::OnMenu, this, kMenuHelp, kMenuSetting);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { PopupOptionsMenu(); }, XRCID("ID_BITMAPBUTTON_OPTIONS"));
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { Iconize(true); }, XRCID("ID_BITMAPBUTTON_MIN"));
  Bind(
      wxEVT_BUTTON, [](wxCommandEvent&) {}, XRCID("ID_BITMAPBUTTON_MAX"));
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { control_->SendCommand(nullptr, kCloseFrameWindow, 0, 0); },
      XRCID("ID_BITMAPBUTTON_CLOSE"));
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { OpenBackupList(); }, XRCID("ID_BITMAPBUTTON_RESTORE"));
  for (const char* id : {"ID_BITMAPBUTTON_FEEDBACK", "ID_BITMAPBUTTON_COMMUNITY", "ID_BITMAPBUTTON_EMAIL"}) {
    Bind(wxEVT_BUTTON, &MainFrame::OnLinkButton, this, XRCID(id));
  }

  if (background_.IsOk()) Refresh();
}

MainFrame::~MainFrame() {
  for (ViewInfo& info : views_) {
    if (info.view) info.view->Shutdown();
  }
  // The views' windows run code of their libraries: destroy them while the
  // libraries are still loaded.
  shown_ = nullptr;
  DestroyChildren();
  views_.clear();
  skinView_.reset();
  attributes_.reset();
}

void MainFrame::FindControls() {
  viewsPanel_ = FindWindow(XRCID("ID_PANEL_VIEWS"));
  for (const char* id : kViewButtonIds) {
    wxAnyButton* button = wxDynamicCast(FindWindow(XRCID(id)), wxAnyButton);
    if (!button) continue;
    button->Hide();
    viewButtons_.push_back(button);
  }
  optionButton_ = FindWindow(XRCID("ID_BITMAPBUTTON_OPTIONS"));
  minButton_ = FindWindow(XRCID("ID_BITMAPBUTTON_MIN"));
  maxButton_ = FindWindow(XRCID("ID_BITMAPBUTTON_MAX"));
  closeButton_ = FindWindow(XRCID("ID_BITMAPBUTTON_CLOSE"));
}

void MainFrame::LoadViews() {
  // Nothing about a view that cannot be loaded is shown to the user.
  wxLogNull quiet;
  for (ViewInfo& info : views_) {
    auto library = std::make_unique<wxDynamicLibrary>();
    if (!library->Load(ResolveLibraryPath(info.path), wxDL_NOW | wxDL_QUIET)) return;
    info.library = std::move(library);
    auto get = reinterpret_cast<GetViewInterfaceFunction>(info.library->GetSymbol("GetViewInterface"));
    if (!get) continue;
    info.view = get();
    if (!info.view) continue;
    info.view->Init(control_, nullptr, viewsPanel_);
    wxPoint pos = viewsPanel_->GetPosition();
    wxSize size = viewsPanel_->GetSize();
    info.view->SetBounds(pos, size);
    info.window = info.view->GetWindow();
    if (info.button) {
      info.button->Bind(wxEVT_BUTTON, &MainFrame::OnViewButton, this);
      info.button->Show();
    }
    if (info.window && !viewsSizer_->GetItem(info.window)) {
      viewsSizer_->Add(info.window, 1, wxEXPAND | wxALL, 0);
      info.window->Hide();
    }
  }
}

void MainFrame::OnViewButton(wxCommandEvent& event) {
  for (size_t i = 0; i < views_.size(); ++i) {
    if (views_[i].button && views_[i].button->GetId() == event.GetId()) {
      ActivateView(i);
      return;
    }
  }
}

void MainFrame::ActivateView(size_t index) {
  ViewInfo* old = active_ >= 0 ? &views_[active_] : nullptr;
  ViewInfo* next = index < views_.size() && views_[index].view ? &views_[index] : nullptr;
  if (old == next) return;
  if (old) {
    if (old->window) viewsSizer_->Hide(old->window);
    if (old->button) {
      old->button->SetBitmapLabel(old->normal);
      old->button->SetBitmapCurrent(old->hover);
      old->button->SetBitmapFocus(old->focus);
      old->button->Refresh();
    }
    active_ = -1;
  }
  if (!next) return;
  active_ = static_cast<int>(index);
  if (next->button) {
    next->normal = next->button->GetBitmapLabel();
    next->hover = next->button->GetBitmapCurrent();
    next->focus = next->button->GetBitmapFocus();
    wxBitmap selected = next->button->GetBitmapPressed();
    if (selected.IsOk()) {
      next->button->SetBitmapLabel(selected);
      next->button->SetBitmapCurrent(selected);
      next->button->SetBitmapFocus(selected);
    }
    next->button->Refresh();
  }
  ShowViewWindow(next->view->GetWindow());
}

void MainFrame::ShowViewWindow(wxWindow* window) {
  if (!window || window == shown_.get()) return;
  if (shown_) shown_->Hide();
  if (!viewsSizer_->GetItem(window)) {
    viewsSizer_->Add(window, 1, wxEXPAND | wxALL, 0);
    window->Hide();
  }
  window->Show();
  viewsSizer_->Layout();
  shown_ = window;
}

bool MainFrame::OfferCommand(ViewInterface* sender, const wchar_t* command, uintptr_t wparam,
                             intptr_t lparam) {
  for (size_t i = 0; i < views_.size(); ++i) {
    ViewInterface* view = views_[i].view;
    if (!view || view == sender) continue;
    if (view->OnMessage(command, wparam, lparam) == kViewAccepts) {
      ActivateView(i);
      // An active view that was hidden by a window of its own choice comes back.
      if (active_ == static_cast<int>(i)) ShowViewWindow(view->GetWindow());
      return true;
    }
  }
  return false;
}

void MainFrame::OnClose(wxCloseEvent& event) {
  if (active_ >= 0 && views_[active_].view) {
    int32_t answer = views_[active_].view->OnMessage(kCloseView, 0, 0);
    if (answer == kRefuseClose && event.CanVeto()) {
      event.Veto();
      return;
    }
  }
  control_->FrameClosed(this);
  Destroy();
}

void MainFrame::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (background_.IsOk()) dc.DrawBitmap(background_, 0, 0, true);
}

void MainFrame::OnMouse(wxMouseEvent& event) {
  wxPoint mouse = ClientToScreen(event.GetPosition());
  if (event.LeftDown()) {
    pressPosition_ = GetPosition();
    dragOffset_ = mouse - pressPosition_;
    if (!HasCapture()) CaptureMouse();
  } else if (event.LeftUp()) {
    if (HasCapture()) ReleaseMouse();
  } else if (event.Dragging() && event.LeftIsDown() && HasCapture()) {
    Move(mouse - dragOffset_);
  }
  event.Skip();
}

wxMenu* MainFrame::BuildOptionsMenu() {
  auto* menu = new wxMenu;
  menu->Append(kMenuHelp, _("Help"));
  menu->Append(kMenuSetting, _("Setting"));
  menu->Append(kMenuUpdate, _("Check for product Updates"));
  menu->Append(kMenuSupportWeb, _("Support web"));
  menu->Append(kMenuAboutUs, _("About us"));
  menu->AppendSeparator();
  menu->Append(kMenuExit, _("Exit"));
  return menu;
}

void MainFrame::PopupOptionsMenu() {
  std::unique_ptr<wxMenu> menu(BuildOptionsMenu());
  wxPoint pos(0, 0);
  if (optionButton_) pos = optionButton_->GetPosition() + wxPoint(0, optionButton_->GetSize().y);
  PopupMenu(menu.get(), pos);
}

void MainFrame::OnMenu(wxCommandEvent& event) {
  if (const wchar_t* command = MenuCommand(event.GetId())) control_->SendCommand(nullptr, command, 0, 0);
}

void MainFrame::OnLinkButton(wxCommandEvent& event) {
  wxString record;
  if (event.GetId() == XRCID("ID_BITMAPBUTTON_FEEDBACK")) record = "ID_URL_FEEDBACK";
  if (event.GetId() == XRCID("ID_BITMAPBUTTON_COMMUNITY")) record = "ID_URL_COMMUNITY";
  if (event.GetId() == XRCID("ID_BITMAPBUTTON_EMAIL")) record = "ID_URL_EMAIL";
  AttributeRecord link;
  if (attributes_ && attributes_->Get(record, link) && !link.text.empty()) wxLaunchDefaultBrowser(link.text);
}

void MainFrame::OpenBackupList() {
  SpeedupListBackup dialog(this, control_);
  dialog.ShowModal();
}

}  // namespace tweaks
