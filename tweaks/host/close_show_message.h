// A dialog class an XRC resource can create by name; it has no behaviour of
// its own and the host never opens it.
#pragma once

#include <wx/dialog.h>

namespace tweaks {

class CloseShowMessage : public wxDialog {
 public:
  CloseShowMessage() = default;

 private:
  wxDECLARE_DYNAMIC_CLASS(CloseShowMessage);
};

}  // namespace tweaks
