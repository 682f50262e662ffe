// The main window: built from its XRC resource and skin file, it loads the
// view plug-ins of the view list, gives each a button and a place in the
// views panel, switches between them and offers commands to them.
#pragma once

#include <wx/anybutton.h>
#include <wx/bitmap.h>
#include <wx/dynlib.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/weakref.h>
#include <wx/xrc/xmlres.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "host/view_interface.h"
#include "skin/attribute_list.h"
#include "skin/skin_view.h"

namespace tweaks {

class MainControl;

struct ViewInfo {
  wxString name;
  wxString desc;
  wxString path;
  std::unique_ptr<wxDynamicLibrary> library;  // unloaded with the record
  ViewInterface* view = nullptr;              // the plug-in's object
  wxAnyButton* button = nullptr;
  wxWindow* window = nullptr;
  // The button's own bitmaps, put back when the view stops being active.
  wxBitmap normal;
  wxBitmap hover;
  wxBitmap focus;
};

// Options menu entries; the tray menu uses the same ids.
enum MenuId {
  kMenuHelp = 1000,
  kMenuExit = 1001,
  kMenuUpdate = 1002,
  kMenuSupportWeb = 1003,
  kMenuAboutUs = 1004,
  kMenuRestore = 1005,
  kMenuSetting = 1006,
};

class MainFrame : public wxFrame {
 public:
  explicit MainFrame(MainControl* control);
  ~MainFrame() override;

  // Offers `command` to the views in list order, skipping `sender` and views
  // without an interface; the first that accepts becomes active. False when
  // none accepted.
  bool OfferCommand(ViewInterface* sender, const wchar_t* command, uintptr_t wparam, intptr_t lparam);
  // Shows `window` in the views panel (and hides the one shown before).
  void ShowViewWindow(wxWindow* window);
  // Makes view `index` the active one; out of range deactivates the current.
  void ActivateView(size_t index);

  // The options menu as the option button shows it (labels translated).
  static wxMenu* BuildOptionsMenu();
  void PopupOptionsMenu();
  void OpenBackupList();

  const std::vector<ViewInfo>& Views() const { return views_; }
  int ActiveViewIndex() const { return active_; }
  wxWindow* ShownWindow() const { return shown_.get(); }
  wxWindow* ViewsPanel() const { return viewsPanel_; }

 private:
  void FindControls();
  void LoadViews();
  void OnViewButton(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnPaint(wxPaintEvent& event);
  void OnMouse(wxMouseEvent& event);
  void OnMenu(wxCommandEvent& event);
  void OnLinkButton(wxCommandEvent& event);

  MainControl* control_;
  wxXmlResource xrc_;
  wxWindow* optionButton_ = nullptr;
  wxWindow* minButton_ = nullptr;
  wxWindow* maxButton_ = nullptr;
  wxWindow* closeButton_ = nullptr;
  std::vector<wxAnyButton*> viewButtons_;
  wxWindow* viewsPanel_ = nullptr;
  wxBoxSizer* viewsSizer_ = nullptr;
  std::vector<ViewInfo> views_;
  int active_ = -1;
  wxWeakRef<wxWindow> shown_;
  std::unique_ptr<SkinView> skinView_;
  std::unique_ptr<AttributeList> attributes_;
  wxBitmap background_;
  wxPoint dragOffset_;
  wxPoint pressPosition_;

  wxDECLARE_CLASS(MainFrame);
};

}  // namespace tweaks
