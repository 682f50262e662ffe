#include "app/ui/registry_write_check.h"

#include <unistd.h>

#include "app/core/user_interface.h"
#include "app/ui/html_dialog.h"
#include "app/ui/ui_text.h"
#include "platform/windows_system.h"
#include "platform/wineserver_lock.h"

namespace clarivo::ui {

RegistryWriteState CheckRegistryWritable() {
  RegistryWriteState state;
  std::string source = platform::DefaultRegistrySource();
  if (source.rfind("hive:", 0) == 0) return state;
  if (source.rfind("wine:", 0) == 0) source = source.substr(5);
  while (source.size() > 1 && source.back() == '/') source.pop_back();
  state.prefix = source;
  if (platform::WineserverRunning(source)) {
    state.writable = false;
    state.reason = "A wineserver is running for this prefix.";
    return state;
  }
  if (access(source.c_str(), W_OK | X_OK) != 0) {
    state.writable = false;
    state.reason = "This folder cannot be written:";
    state.path = source;
    return state;
  }
  for (const char* name : {"/system.reg", "/user.reg"}) {
    const std::string file = source + name;
    if (access(file.c_str(), F_OK) == 0 && access(file.c_str(), W_OK) != 0) {
      state.writable = false;
      state.reason = "This file is read-only:";
      state.path = file;
      return state;
    }
  }
  return state;
}

bool EnsureRegistryWritable() {
  const RegistryWriteState state = CheckRegistryWritable();
  if (state.writable) return true;
  const wxString body = EscapeHtml(Tr("Wine prefix:")) + " <b>" +
                        EscapeHtml(wxString::FromUTF8(state.prefix)) + "</b><br>" + EscapeHtml(Tr("Cause:")) +
                        " " + EscapeHtml(Tr(state.reason)) + " " + EscapeHtml(wxString::FromUTF8(state.path));
  UserInterface().ShowHtmlMessage("Registry_locked.html", HtmlDialogSize::kMedium,
                                  ToU16(EscapeHtml(Tr("The registry is in use"))), ToU16(body));
  return false;
}

}  // namespace clarivo::ui
