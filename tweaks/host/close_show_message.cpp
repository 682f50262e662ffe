#include "host/close_show_message.h"

namespace tweaks {

wxIMPLEMENT_DYNAMIC_CLASS(CloseShowMessage, wxDialog);

}  // namespace tweaks
