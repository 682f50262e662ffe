#include "tools/SetTip/set_tip_text.h"

#include "app/core/profile.h"
#include "app/core/program_paths.h"
#include "app/core/scan_result.h"
#include "app/core/translation.h"

namespace set_tip {

void ActAsProgram() {
  clarivo::SetExecutablePath(clarivo::ExecutableDir() + "/Clarivo");
  clarivo::SetProfileRoot(clarivo::kCompanyKey, "Clarivo");
  clarivo::SetUpTranslation();
}

std::optional<std::u16string> StoredResultText() {
  clarivo::ScanResult result;
  if (!clarivo::LoadLastResult(result)) return std::nullopt;
  if (result.total > 0) {
    return clarivo::FormatNumber(clarivo::Translate(N_("%d registry errors need to be fixed!")),
                                 result.total);
  }
  return clarivo::Translate(N_("No registry errors."));
}

}  // namespace set_tip
