// Page 3 of the main window: the four user settings and their "Save".
#pragma once

#include "app/ui/page_base.h"

namespace clarivo::ui {

// The form: minimise choice, close choice, start at logon, scan at start.
class CPageSettingSet_1 : public CSubSubPageBase {
 public:
  explicit CPageSettingSet_1(wxWindow* parent);
  // Writes the four settings from the form, in the form's order.
  void Save();

  CHMXComboBox* minimize_choice() const { return minimize_; }
  CHMXComboBox* close_choice() const { return close_; }
  CHMXCheckBox* autostart_box() const { return autostart_; }
  CHMXCheckBox* scan_box() const { return scan_; }

 private:
  CHMXComboBox* minimize_;
  CHMXComboBox* close_;
  CHMXCheckBox* autostart_;
  CHMXCheckBox* scan_;
};

class CPageSettingSet : public CSubPageBase {
 public:
  explicit CPageSettingSet(wxWindow* parent);
  void OnAction(int index) override;
  CPageSettingSet_1* form() const { return form_; }

 private:
  CPageSettingSet_1* form_;
};

class CPageSetting : public CPageBase {
 public:
  explicit CPageSetting(wxWindow* parent);
};

}  // namespace clarivo::ui
