// The contract between the host and a view plug-in. A plug-in is a shared
// library exporting "GetViewInterface" (no arguments) that returns its own
// ViewInterface object; the host calls the slots below in this order of
// declaration and never deletes the object.
#pragma once

#include <wx/gdicmn.h>
#include <wx/window.h>

#include <cstdint>

namespace tweaks {

class MainControl;

// Commands the host sends or handles (compared without regard to case).
inline constexpr const wchar_t* kCloseFrameWindow = L"CLOSEFRMAEWINDOW";
inline constexpr const wchar_t* kExitTweaks = L"EXIT_TWEAKS";
inline constexpr const wchar_t* kMessageRestore = L"SEND_MESSAGE_RESTORE";
inline constexpr const wchar_t* kMessageSetting = L"SEND_MESSAGE_SETTING";
inline constexpr const wchar_t* kMessageHelp = L"SEND_MESSAGE_HELP";
inline constexpr const wchar_t* kMessageUpdate = L"SEND_MESSAGE_UPDATE";
inline constexpr const wchar_t* kMessageSupportWeb = L"SEND_MESSAGE_SUPPORTWEB";
inline constexpr const wchar_t* kMessageAboutUs = L"SEND_MESSAGE_ABOUTUS";
inline constexpr const wchar_t* kCloseView = L"CLOSE_VIEW";

// A view's OnMessage answer: it takes the command and becomes the active view.
inline constexpr int32_t kViewAccepts = 0xFFF1;
// SendCommand's answer when no view took the command.
inline constexpr int32_t kNoViewAccepted = 0xFFF2;
// A view's answer to "CLOSE_VIEW" that keeps the frame open.
inline constexpr int32_t kRefuseClose = -1;

class ViewInterface {
 public:
  // Free for the plug-in's own use; the host never calls it.
  virtual void Reserved1() {}
  // Called once before the library is unloaded. The view's window, if still
  // there, is destroyed by the host afterwards, while the library is loaded.
  virtual void Shutdown() = 0;
  virtual int32_t OnMessage(const wchar_t* command, uintptr_t wparam, intptr_t lparam) = 0;
  // `parent` is the views panel the view's window must use as its parent;
  // `reserved` is always null.
  virtual void Init(MainControl* host, void* reserved, wxWindow* parent) = 0;
  // Free for the plug-in's own use; the host never calls it.
  virtual void Reserved5() {}
  virtual wxWindow* GetWindow() = 0;
  // Position and size of the views panel.
  virtual void SetBounds(const wxPoint& pos, const wxSize& size) = 0;

 protected:
  ~ViewInterface() = default;  // owned by the plug-in
};

using GetViewInterfaceFunction = ViewInterface* (*)();

}  // namespace tweaks

// Every plug-in defines this export.
#define TWEAKS_VIEW_EXPORT extern "C" __attribute__((visibility("default")))
