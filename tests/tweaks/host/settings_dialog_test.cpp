// The host's dialogs from their XRC resources. The settings dialog: controls
// show the record, OK copies them back (checking mode and close behaviour
// included) and a new dialog starts again from the file, not from the last
// run. The backup list: placed by its skin. All of them by class name.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/ffile.h>
#include <wx/frame.h>
#include <wx/mstream.h>
#include <wx/radiobut.h>
#include <wx/xrc/xmlres.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "host/close_show_message.h"
#include "host/host_paths.h"
#include "host/main_control.h"
#include "host/speedup_list_backup.h"
#include "host/tweaks_setting.h"

namespace tweaks {
namespace {

namespace fs = std::filesystem;

template <typename T>
T* Control(wxWindow* dialog, const char* id) {
  T* control = wxDynamicCast(dialog->FindWindow(XRCID(id)), T);
  EXPECT_NE(control, nullptr) << id;
  return control;
}

void Press(wxWindow* dialog, const char* id) {
  wxWindow* button = dialog->FindWindow(XRCID(id));
  ASSERT_NE(button, nullptr) << id;
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
}

class SettingsDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tweaks-setting-" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::create_directory_symlink(fs::path(TWEAKS_BIN_DIR) / "resource", folder_ / "resource");
    SetProgramFolder(wxString::FromUTF8(folder_.string()));
    wxFFile(SystemXmlPath(), "w").Write("<t><other HaveTray=\"y\" IsSingleInstance=\"n\"/></t>");
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Runs the dialog modally; `act` runs inside the modal loop.
  int RunModal(wxDialog& dialog, std::function<void()> act) {
    wxTheApp->CallAfter([&dialog, act] { act(); });
    return dialog.ShowModal();
  }

  fs::path folder_;
  MainControl control_;
};

TEST_F(SettingsDialogTest, OkCopiesTheControlsIntoTheRecord) {
  TweaksSetting dialog(&control_);
  EXPECT_TRUE(dialog.Options().haveTray);
  EXPECT_FALSE(dialog.Options().singleInstance);
  EXPECT_TRUE(Control<wxRadioButton>(&dialog, "ID_RADIOBUTTON_AUTOUPDATE")->GetValue());
  EXPECT_TRUE(Control<wxRadioButton>(&dialog, "ID_RADIOBUTTON_EVERYTIMECHECK")->GetValue());
  EXPECT_TRUE(Control<wxRadioButton>(&dialog, "ID_RADIOBUTTON_MIN")->GetValue());
  EXPECT_FALSE(Control<wxCheckBox>(&dialog, "ID_CHECKBOX_AUTOPROTECT")->GetValue());

  int result = RunModal(dialog, [&] {
    Control<wxRadioButton>(&dialog, "ID_RADIOBUTTON_NOTAUTOUPDATE")->SetValue(true);
    Control<wxRadioButton>(&dialog, "ID_RADIOBUTTON_MANUALCHECK")->SetValue(true);
    Control<wxRadioButton>(&dialog, "ID_RADIOBUTTON_CLOSE")->SetValue(true);
    Control<wxCheckBox>(&dialog, "ID_CHECKBOX_AUTOSPEEDUP")->SetValue(true);
    Control<wxCheckBox>(&dialog, "ID_CHECKBOX_AUTOSHOWMESSAGE")->SetValue(true);
    Press(&dialog, "ID_BUTTON_YES");
  });
  EXPECT_EQ(result, 5100);
  const HostOptions& options = dialog.Options();
  EXPECT_NE(options.notAutoUpdate, 0);
  EXPECT_EQ(options.checkMode, 2);
  EXPECT_TRUE(options.closeExits);
  EXPECT_TRUE(options.autoSpeedup);
  EXPECT_TRUE(options.autoShowMessage);
  EXPECT_FALSE(options.autoProtect);
}

TEST_F(SettingsDialogTest, CancelChangesNothingAndEveryDialogStartsAfresh) {
  {
    TweaksSetting first(&control_);
    int result = RunModal(first, [&] {
      Control<wxRadioButton>(&first, "ID_RADIOBUTTON_THEFIRSTCHECK")->SetValue(true);
      Press(&first, "ID_BUTTON_CANCEL");
    });
    EXPECT_EQ(result, 5101);
    EXPECT_EQ(first.Options().checkMode, 0);
  }
  {
    TweaksSetting accepted(&control_);
    RunModal(accepted, [&] {
      Control<wxCheckBox>(&accepted, "ID_CHECKBOX_AUTOPROTECT")->SetValue(true);
      Press(&accepted, "ID_BUTTON_YES");
    });
    EXPECT_TRUE(accepted.Options().autoProtect);
  }
  TweaksSetting second(&control_);
  EXPECT_FALSE(Control<wxCheckBox>(&second, "ID_CHECKBOX_AUTOPROTECT")->GetValue());
  EXPECT_TRUE(Control<wxRadioButton>(&second, "ID_RADIOBUTTON_EVERYTIMECHECK")->GetValue());
}

TEST_F(SettingsDialogTest, TheBackupListIsBuiltFromItsResourceAndSkin) {
  wxFrame parent(nullptr, wxID_ANY, "parent");
  SpeedupListBackup dialog(&parent, &control_);
  EXPECT_EQ(dialog.GetParent(), &parent);
  wxWindow* grid = dialog.FindWindow(XRCID("ID_PANEL2_PLGRID"));
  ASSERT_NE(grid, nullptr);
  // Placed by the skin file, not by the resource.
  EXPECT_EQ(grid->GetPosition(), wxPoint(17, 57));
  EXPECT_EQ(grid->GetSize(), wxSize(446, 226));
  for (const char* id : {"ID_BITMAPBUTTON_DELETE", "ID_BITMAPBUTTON_RESTORE"}) {
    auto* button = wxDynamicCast(dialog.FindWindow(XRCID(id)), wxBitmapButton);
    ASSERT_NE(button, nullptr) << id;
    EXPECT_TRUE(button->GetBitmapLabel().IsOk()) << id;
  }
  // Its two buttons do nothing: the dialog stays open until it is closed.
  int result = RunModal(dialog, [&] {
    Press(&dialog, "ID_BITMAPBUTTON_DELETE");
    Press(&dialog, "ID_BITMAPBUTTON_RESTORE");
    EXPECT_TRUE(dialog.IsModal());
    dialog.EndModal(wxID_CANCEL);
  });
  EXPECT_EQ(result, wxID_CANCEL);
}

TEST_F(SettingsDialogTest, ResourcesCanCreateTheHostDialogsByClassName) {
  const char* xrc =
      "<?xml version=\"1.0\"?><resource xmlns=\"http://www.wxwidgets.org/wxxrc\" version=\"2.5.3.0\">"
      "<object class=\"wxDialog\" name=\"ID_PROMPT\" subclass=\"CloseShowMessage\"><title>x</title></object>"
      "</resource>";
  wxXmlResource resource;
  resource.InitAllHandlers();
  wxMemoryInputStream stream(xrc, std::strlen(xrc));
  auto* doc = new wxXmlDocument(stream);
  ASSERT_TRUE(doc->IsOk());
  ASSERT_TRUE(resource.LoadDocument(doc, "prompt.xrc"));
  std::unique_ptr<wxDialog> prompt(resource.LoadDialog(nullptr, "ID_PROMPT"));
  ASSERT_NE(prompt, nullptr);
  EXPECT_TRUE(prompt->IsKindOf(wxCLASSINFO(CloseShowMessage)));
  for (const char* name : {"TweaksSetting", "SpeedupListBackup", "CloseShowMessage"}) {
    std::unique_ptr<wxObject> object(wxCreateDynamicObject(name));
    EXPECT_NE(wxDynamicCast(object.get(), wxDialog), nullptr) << name;
  }
  EXPECT_NE(wxClassInfo::FindClass("MainFrame"), nullptr);
}

}  // namespace
}  // namespace tweaks
