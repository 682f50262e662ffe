#include "app/ui/registry_check.h"

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "app/core/reg_scan.h"
#include "app/core/registry_choice.h"
#include "app/core/restore_point_store.h"
#include "app/core/user_interface.h"
#include "app/ui/html_dialog.h"
#include "app/ui/ui_text.h"
#include "platform/windows_system.h"
#include "platform/wine_system.h"
#include "platform/wineserver_lock.h"

namespace clarivo::ui {
namespace {

bool g_engine_saw_unreadable = false;

// The files of a Wine prefix as they were when last read whole: while they
// are the same files, unchanged, they read the same, and a full-size registry
// is not parsed again before every scan.
struct FileStamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = -1;
  timespec mtime{};
  bool operator==(const FileStamp& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec;
  }
};
struct ReadableRegistry {
  std::string requested;  // the source asked for
  std::string prefix;     // its folder
  RegistryState state;
  std::array<FileStamp, 2> files;
};
std::optional<ReadableRegistry> g_last_readable;

std::optional<std::array<FileStamp, 2>> StampFiles(const std::string& prefix) {
  std::array<FileStamp, 2> stamps;
  const char* names[] = {"/system.reg", "/user.reg"};
  for (int i = 0; i < 2; ++i) {
    struct stat st;
    if (stat((prefix + names[i]).c_str(), &st) != 0) return std::nullopt;
    stamps[i] = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  }
  return stamps;
}

}  // namespace

RegistryState CheckRegistry() {
  RegistryState state;
  state.source = platform::DefaultRegistrySource();
  if (g_last_readable && g_last_readable->requested == state.source) {
    const auto stamps = StampFiles(g_last_readable->prefix);
    if (stamps && *stamps == g_last_readable->files) {
      RegistryState known = g_last_readable->state;
      known.warning =
          platform::WineserverRunning(g_last_readable->prefix) ? platform::kServerRunningWarning : "";
      return known;
    }
  }
  const std::string requested = state.source;
  // Stamped before the read and compared after it: files replaced while they
  // were read are read again next time.
  const bool wine_source = requested.rfind("wine:", 0) == 0;
  const auto stamps_before = wine_source ? StampFiles(requested.substr(5)) : std::nullopt;
  std::unique_ptr<platform::WindowsSystem> system;
  try {
    system = platform::OpenWindowsSystem(state.source, &state.reason);
  } catch (const std::bad_alloc&) {
    state.reason = "not enough memory";
  } catch (const std::exception& e) {
    state.reason = e.what();
  }
  if (!system) {
    g_last_readable.reset();
    if (state.reason.empty()) state.reason = "unknown error";
    return state;
  }
  state.readable = true;
  state.source = system->Describe();
  state.warning = system->Warning();
  const std::string spec = system->SourceSpec();
  setenv("CLARIVO_REGISTRY", spec.c_str(), 1);
  g_last_readable.reset();
  if (wine_source && stamps_before && spec == requested && StampFiles(spec.substr(5)) == stamps_before) {
    g_last_readable = ReadableRegistry{requested, spec.substr(5), state, *stamps_before};
  }
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
