#include "host/main_control.h"

#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/taskbar.h>

#include <cstdio>
#include <cstdlib>

#include "host/host_options.h"
#include "host/host_paths.h"
#include "host/html_view.h"
#include "host/main_frame.h"
#include "host/tweaks_setting.h"
#include "host/tweaks_task_bar.h"
#include "skin/skin_loaders.h"

namespace tweaks {
namespace {

bool Is(const wchar_t* command, const wchar_t* name) { return wxString(command).IsSameAs(name, false); }

}  // namespace

MainControl::MainControl() = default;

MainControl::~MainControl() { ReleaseResources(); }

void MainControl::Start() {
  CreateMainFrame();
  if (ReadHostOptions().haveTray) {
    tray_ = new TweaksTaskBar(this);
    // The program keeps running in the tray with no frame open, but only
    // where there is a tray to bring the frame back from.
    if (wxTaskBarIcon::IsAvailable() && wxTheApp) wxTheApp->SetExitOnFrameDelete(false);
  }
}

void MainControl::CreateMainFrame() {
  if (frame_) return;
  frame_ = new MainFrame(this);
  frame_->Show();
}

void MainControl::FrameClosed(MainFrame* frame) {
  if (frame_ == frame) frame_ = nullptr;
}

void MainControl::CloseFrame(bool force) {
  // The frame tells FrameClosed when it really goes; a view may refuse an
  // ordinary close and the frame then stays open and known.
  if (frame_) frame_->Close(force);
}

int MainControl::SendCommand(ViewInterface* sender, const wchar_t* command, uintptr_t wparam,
                             intptr_t lparam) {
  if (!command) return kNoViewAccepted;
  if (Is(command, kCloseFrameWindow)) {
    CloseFrame(false);
    return 0;
  }
  if (Is(command, kExitTweaks)) {
    CloseFrame(true);
    ReleaseResources();
    std::fflush(nullptr);
    std::_Exit(0);
  }
  if (Is(command, kMessageRestore)) {
    CreateMainFrame();
    return 0;
  }
  if (Is(command, kMessageSetting)) {
    TweaksSetting dialog(this);
    dialog.ShowModal();
    return 0;
  }
  if (!frame_) return kNoViewAccepted;
  return frame_->OfferCommand(sender, command, wparam, lparam) ? 0 : kNoViewAccepted;
}

int MainControl::ReleaseResources() {
  if (tray_) {
    tray_->RemoveIcon();
    tray_->Destroy();
    tray_ = nullptr;
    if (wxTheApp) wxTheApp->SetExitOnFrameDelete(true);
  }
  reserved_.reset();
  return 0;
}

bool MainControl::BindLogLibrary() {
  // The logging library keeps its name "log.dll" on every platform; "log.so"
  // is what our own build lays down beside it. Only the program folder is
  // searched: a library in whatever folder the program was started from must
  // never be loaded.
  wxString path;
  for (const char* name : {"log.dll", "log.so"}) {
    if (wxFileExists(ProgramFolder() + name)) {
      path = ProgramFolder() + name;
      break;
    }
  }
  if (path.empty()) return false;
  wxLogNull quiet;  // a broken library disables logging silently
  if (logLibrary_.IsLoaded()) logLibrary_.Unload();
  if (!logLibrary_.Load(path, wxDL_NOW | wxDL_QUIET)) return false;
  writeLog_ = reinterpret_cast<WriteLogFunction>(logLibrary_.GetSymbol("WriteLog"));
  return writeLog_ != nullptr;
}

void MainControl::LogMessage(const wchar_t* message) {
  if (!writeLog_ && !BindLogLibrary()) return;
  wxString file = tweaks::GetLogFilePath(TodayLogFileName());
  writeLog_(file.wc_str(), message);
}

void MainControl::Ignore(int) {}

void MainControl::ShowViewWindow(wxWindow* window) {
  if (frame_) frame_->ShowViewWindow(window);
}

bool MainControl::FindColour(const wxString& name, wxColour& out) { return colours_.FindColour(name, out); }
bool MainControl::FindFont(const wxString& name, wxFont& out) { return fonts_.FindFont(name, out); }

AttributeList* MainControl::CreateAttributeList(const wxString& file) { return new AttributeList(file); }
SkinFunction* MainControl::CreateSkinFunction() { return new SkinFunction(); }
BitmapList* MainControl::CreateBitmapList(const wxString& file) { return new BitmapList(file); }

bool MainControl::LoadSkinBitmap(const wxString& file, wxBitmap& out) {
  return tweaks::LoadSkinBitmap(file, out);
}
bool MainControl::LoadSkinIcon(const wxString& file, wxIcon& icon, int size) {
  return tweaks::LoadSkinIcon(file, icon, size);
}
bool MainControl::LoadSkinXml(const wxString& file, wxXmlDocument& out) {
  return tweaks::LoadSkinXml(file, out);
}
wxString MainControl::GetSkinFilePath(const wxString& name) { return tweaks::GetSkinFilePath(name); }
bool MainControl::LoadSkinAnimation(const wxString& file, wxAnimationCtrlBase* control) {
  return tweaks::LoadSkinAnimation(file, control);
}
wxString MainControl::GetSkinFolder() { return tweaks::GetSkinFilePath(wxString()); }
wxString MainControl::GetLogFilePath(const wxString& name) { return tweaks::GetLogFilePath(name); }
wxString MainControl::GetInfoFilePath(const wxString& name) { return tweaks::GetInfoFilePath(name); }
SkinView* MainControl::CreateSkinView(const wxString& file) { return new SkinView(file); }
HtmlView* MainControl::CreateHtmlView(wxWindow* parent) { return new HtmlView(parent); }

}  // namespace tweaks
