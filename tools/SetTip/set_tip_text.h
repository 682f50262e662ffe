// What SetTip tells the user about the stored scan result.
#pragma once

#include <optional>
#include <string>

namespace set_tip {

// Acts as the program Clarivo beside this executable: its ini file, profile
// and translation catalogue.
void ActAsProgram();

// "N registry errors need to be fixed!" or "No registry errors." (translated)
// for the stored result; nothing when no result is stored.
std::optional<std::u16string> StoredResultText();

}  // namespace set_tip
