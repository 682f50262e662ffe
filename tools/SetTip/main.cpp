// SetTip: shows the stored scan result as a desktop notification. Without a
// notification service (or a stored result) it ends quietly.
//   SetTip           notify
//   SetTip --print   write the text to standard output instead
#include <libnotify/notify.h>

#include <cstdio>
#include <cstring>

#include "platform/text.h"
#include "tools/SetTip/set_tip_text.h"

namespace {

void Silent(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

int main(int argc, char** argv) {
  set_tip::ActAsProgram();
  const std::optional<std::u16string> text = set_tip::StoredResultText();
  if (!text) return 0;
  const std::string body = platform::ToUtf8(*text);
  if (argc > 1 && std::strcmp(argv[1], "--print") == 0) {
    std::printf("%s\n", body.c_str());
    return 0;
  }

  // A missing session bus or notification daemon is no error of ours.
  g_log_set_default_handler(Silent, nullptr);
  if (!notify_init("Clarivo")) return 0;
  char* name = nullptr;
  if (notify_get_server_info(&name, nullptr, nullptr, nullptr)) {
    g_free(name);
    NotifyNotification* note = notify_notification_new("Clarivo", body.c_str(), "dialog-information");
    notify_notification_show(note, nullptr);
    g_object_unref(G_OBJECT(note));
  }
  notify_uninit();
  return 0;
}
