// The application object: start-up in a fixed order, single instance per
// user, translation catalogue, and the host controller.
#pragma once

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/snglinst.h>

#include <memory>

namespace tweaks {

class MainControl;
class ScriptDriver;

class TweaksApp : public wxApp {
 public:
  TweaksApp();
  ~TweaksApp() override;

  bool OnInit() override;

 private:
  std::unique_ptr<wxLocale> locale_;
  std::unique_ptr<wxSingleInstanceChecker> checker_;  // null when not wanted
  std::unique_ptr<MainControl> control_;
  std::unique_ptr<ScriptDriver> script_;  // test switch "--script=..."

  wxDECLARE_DYNAMIC_CLASS(TweaksApp);
};

}  // namespace tweaks
