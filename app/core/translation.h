// The translation catalogue: gettext with one domain per program, catalogues
// at <folder>/<language>/LC_MESSAGES/<domain>.mo.
#pragma once

#include <string>

// Marks an English message identifier that is looked up later (in tables).
#ifndef N_  // the toolkit of the windows defines the same marker
#define N_(text) text
#endif

namespace clarivo {

// The start-up binding: domain = the executable's name without extension,
// folder = GetDeployPath("LANGUAGE"); the C library locale is taken from the
// environment.
void SetUpTranslation();
// Binds `domain` to `folder` and makes it the default domain. Texts come back
// as UTF-8 whatever the locale's encoding.
void BindTranslation(const std::string& domain, const std::string& folder);

// The translation of an English message identifier, or the identifier itself
// when the catalogue has none. The empty text stays empty.
std::u16string Translate(const char* message_id);
std::string TranslateUtf8(const char* message_id);

// Replaces the first "%d" of a translated format by `number` and "%%" by "%";
// every other character is kept, so a faulty translation cannot misformat.
std::u16string FormatNumber(std::u16string_view format, long long number);

}  // namespace clarivo
