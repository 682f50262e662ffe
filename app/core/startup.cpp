#include "app/core/startup.h"

#include "app/core/profile.h"
#include "app/core/translation.h"

namespace clarivo {

bool RunProgram(CSingleInstance& guard, const std::function<void()>& run_main_window) {
  SetProfileRoot(kCompanyKey);
  if (!guard.Create()) {
    guard.Destroy();
    return false;
  }
  SetUpTranslation();
  run_main_window();
  guard.Destroy();
  return true;
}

}  // namespace clarivo
