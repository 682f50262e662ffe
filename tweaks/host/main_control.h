// The host controller: owner of the main frame and the tray icon, and the
// service object every view plug-in receives. Plug-ins call the virtual
// operations below; their order is part of the plug-in interface.
#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/dynlib.h>
#include <wx/font.h>
#include <wx/icon.h>
#include <wx/string.h>
#include <wx/window.h>
#include <wx/xml/xml.h>

#include <cstdint>
#include <memory>

#include "host/view_interface.h"
#include "log/write_log.h"
#include "skin/attribute_list.h"
#include "skin/bitmap_list.h"
#include "skin/colour_table.h"
#include "skin/font_table.h"
#include "skin/skin_function.h"
#include "skin/skin_view.h"

class wxAnimationCtrlBase;

namespace tweaks {

class HtmlView;
class MainFrame;
class TweaksTaskBar;

class MainControl {
 public:
  // Reads the colour and font tables of the skin.
  MainControl();

  // Host commands are handled here; any other command is offered to the
  // views of the open frame in list order, never to `sender`. Returns 0, or
  // kNoViewAccepted when no view took the command.
  virtual int SendCommand(ViewInterface* sender, const wchar_t* command, uintptr_t wparam, intptr_t lparam);
  // Destroys the tray icon (and the reserved object); returns 0.
  virtual int ReleaseResources();
  // Appends `message` to today's log file through "WriteLog" of the logging
  // library in the program folder ("log.dll", else "log.so"); does nothing
  // while that is unavailable.
  virtual void LogMessage(const wchar_t* message);
  virtual void Ignore(int value);
  // Shows `window` in the views panel of the open frame.
  virtual void ShowViewWindow(wxWindow* window);
  virtual bool FindColour(const wxString& name, wxColour& out);
  virtual bool FindFont(const wxString& name, wxFont& out);
  // The caller owns what the Create operations return.
  virtual AttributeList* CreateAttributeList(const wxString& file);
  virtual SkinFunction* CreateSkinFunction();
  virtual BitmapList* CreateBitmapList(const wxString& file);
  virtual bool LoadSkinBitmap(const wxString& file, wxBitmap& out);
  virtual bool LoadSkinIcon(const wxString& file, wxIcon& icon, int size);
  virtual bool LoadSkinXml(const wxString& file, wxXmlDocument& out);
  virtual wxString GetSkinFilePath(const wxString& name);
  virtual bool LoadSkinAnimation(const wxString& file, wxAnimationCtrlBase* control);
  virtual wxString GetSkinFolder();
  virtual wxString GetLogFilePath(const wxString& name);
  virtual wxString GetInfoFilePath(const wxString& name);
  virtual SkinView* CreateSkinView(const wxString& file);
  virtual HtmlView* CreateHtmlView(wxWindow* parent);
  virtual ~MainControl();

  // Start-up: the main frame, then the tray icon when the options ask for it.
  void Start();
  // Opens and shows a main frame unless one is open.
  void CreateMainFrame();

  // Called by the frame when it really closes (its close was not refused).
  void FrameClosed(MainFrame* frame);
  MainFrame* Frame() const { return frame_; }
  TweaksTaskBar* TaskBar() const { return tray_; }

 private:
  void CloseFrame(bool force);
  bool BindLogLibrary();

  TweaksTaskBar* tray_ = nullptr;
  MainFrame* frame_ = nullptr;          // a top-level window the toolkit destroys
  std::unique_ptr<wxObject> reserved_;  // unused by this host
  FontTable fonts_;
  ColourTable colours_;
  wxDynamicLibrary logLibrary_;
  WriteLogFunction writeLog_ = nullptr;
};

}  // namespace tweaks
