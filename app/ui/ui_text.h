// Texts of the windows: every text a person reads passes through the
// translation catalogue.
#pragma once

#include <wx/string.h>

#include <string>

#include "app/core/translation.h"
#include "platform/text.h"

namespace clarivo::ui {

inline wxString Tr(const char* message_id) { return wxString::FromUTF8(TranslateUtf8(message_id)); }
inline wxString FromU16(const std::u16string& text) { return wxString::FromUTF8(platform::ToUtf8(text)); }
inline std::u16string ToU16(const wxString& text) { return platform::ToUtf16(std::string(text.utf8_str())); }

}  // namespace clarivo::ui
