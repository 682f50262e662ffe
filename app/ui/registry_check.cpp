#include "app/ui/registry_check.h"

#include <cstdlib>
#include <exception>
#include <new>

#include "app/core/reg_scan.h"
#include "app/core/registry_choice.h"
#include "app/core/restore_point_store.h"
#include "app/core/user_interface.h"
#include "app/ui/html_dialog.h"
#include "app/ui/ui_text.h"
#include "platform/windows_system.h"

namespace clarivo::ui {
namespace {

bool g_engine_saw_unreadable = false;

}  // namespace

RegistryState CheckRegistry() {
  RegistryState state;
  state.source = platform::DefaultRegistrySource();
  std::unique_ptr<platform::WindowsSystem> system;
  try {
    system = platform::OpenWindowsSystem(state.source, &state.reason);
  } catch (const std::bad_alloc&) {
    state.reason = "not enough memory";
  } catch (const std::exception& e) {
    state.reason = e.what();
  }
  if (!system) {
    if (state.reason.empty()) state.reason = "unknown error";
    return state;
  }
  state.readable = true;
  state.source = system->Describe();
  state.warning = system->Warning();
  setenv("CLARIVO_REGISTRY", system->SourceSpec().c_str(), 1);
  return state;
}

void PrepareRegistry() {
  ApplyRegistryChoice();
  g_engine_saw_unreadable = !CheckRegistry().readable;
}

bool SwitchToChosenRegistry() {
  if (CRegScan::GetInstance().busy() || RestorePointStore::GetInstance().busy()) return false;
  if (!ApplyRegistryChoice()) return false;
  // The engine holds the registry it was made for: a fresh one reads the
  // chosen registry (once it can be read).
  if (CheckRegistry().readable) {
    CRegScan::GetInstance().BindEngine();
    g_engine_saw_unreadable = false;
  } else {
    g_engine_saw_unreadable = true;
  }
  return true;
}

bool EnsureRegistryReadable() {
  SwitchToChosenRegistry();
  const RegistryState state = CheckRegistry();
  if (!state.readable) {
    // Which registry in the title, why in the body; both are HTML-escaped,
    // as the dialog puts them in as markup.
    const wxString title = wxString::Format(Tr("%s cannot be read"), wxString::FromUTF8(state.source));
    // The page itself says that nothing was scanned and how to choose another.
    const wxString body = EscapeHtml(wxString::FromUTF8(state.reason));
    UserInterface().ShowHtmlMessage("Registry_unreadable.html", HtmlDialogSize::kMedium,
                                    ToU16(EscapeHtml(title)), ToU16(body));
    g_engine_saw_unreadable = true;
    return false;
  }
  if (g_engine_saw_unreadable) {
    // The engine was made while the registry could not be read: it holds an
    // empty registry. A fresh one reads what is there now.
    CRegScan::GetInstance().BindEngine();
    g_engine_saw_unreadable = false;
  }
  return true;
}

}  // namespace clarivo::ui
