// Page 3 of the main window: the four user settings and their "Save".
#pragma once

#include <string>
#include <vector>

#include "app/ui/page_base.h"

namespace clarivo::ui {

// The form: minimise choice, close choice, start at logon, scan at start,
// and below them the registry to clean.
class CPageSettingSet_1 : public CSubSubPageBase {
 public:
  explicit CPageSettingSet_1(wxWindow* parent);
  // Writes the four settings from the form, in the form's order, then the
  // registry chosen.
  void Save();

  // The registry list: the prefixes found, then "Other folder...".
  CHMXComboBox* registry_choice() const { return registry_; }
  CHMXStatic* registry_note() const { return registry_note_; }
  // The prefix folder of each item before "Other folder...".
  const std::vector<std::string>& registry_folders() const { return folders_; }
  // Takes `dir` as the registry when it is a Wine prefix (it joins the
  // list and is chosen); otherwise says why not and keeps the choice.
  bool AcceptOtherFolder(const std::string& dir);

  CHMXComboBox* minimize_choice() const { return minimize_; }
  CHMXComboBox* close_choice() const { return close_; }
  CHMXCheckBox* autostart_box() const { return autostart_; }
  CHMXCheckBox* scan_box() const { return scan_; }

 private:
  CHMXComboBox* minimize_;
  CHMXComboBox* close_;
  CHMXCheckBox* autostart_;
  CHMXCheckBox* scan_;
  CHMXComboBox* registry_;
  CHMXStatic* registry_note_;
  std::vector<std::string> folders_;
  int registry_selection_ = -1;

  // Fills the registry list; `chosen` is selected (a folder not found is
  // listed too).
  void FillRegistries(const std::string& chosen);
  void OnRegistryChoice(wxCommandEvent& event);
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
