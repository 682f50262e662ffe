#include "app/core/translation.h"

#include <libintl.h>

#include <clocale>
#include <cstring>

#include "app/core/ini.h"
#include "app/core/program_paths.h"
#include "platform/text.h"

namespace clarivo {
namespace {

bool IsPlainC(const char* locale) {
  return !locale || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0;
}

}  // namespace

void BindTranslation(const std::string& domain, const std::string& folder) {
  if (!std::setlocale(LC_ALL, "")) std::setlocale(LC_ALL, "C.UTF-8");
  // gettext ignores LANGUAGE under the plain C locale; its UTF-8 twin keeps
  // the C conventions and lets the user's language choice take effect.
  if (IsPlainC(std::setlocale(LC_MESSAGES, nullptr))) std::setlocale(LC_MESSAGES, "C.UTF-8");
  if (IsPlainC(std::setlocale(LC_CTYPE, nullptr))) std::setlocale(LC_CTYPE, "C.UTF-8");
  bindtextdomain(domain.c_str(), folder.c_str());
  bind_textdomain_codeset(domain.c_str(), "UTF-8");
  textdomain(domain.c_str());
}

void SetUpTranslation() { BindTranslation(ExecutableBaseName(), GetDeployPath("LANGUAGE")); }

std::string TranslateUtf8(const char* message_id) {
  // gettext("") answers the catalogue's header, never a translation.
  if (!message_id || !*message_id) return {};
  return gettext(message_id);
}

std::u16string Translate(const char* message_id) { return platform::ToUtf16(TranslateUtf8(message_id)); }

std::u16string FormatNumber(std::u16string_view format, long long number) {
  std::u16string out;
  bool done = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size()) {
      if (format[i + 1] == u'%') {
        out += u'%';
        ++i;
        continue;
      }
      if (format[i + 1] == u'd' && !done) {
        out += platform::ToUtf16(std::to_string(number));
        done = true;
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

}  // namespace clarivo
