// What the core needs from the windows: the program's core has no GUI toolkit,
// so everything it shows goes through these interfaces. The windows implement
// them; tests implement them to record what would have been shown.
#pragma once

#include <cstdint>
#include <string>

namespace clarivo {

// Results of an HTML message dialog.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;
inline constexpr int kDialogYes = 6;
inline constexpr int kDialogNo = 7;

// Sizes of an HTML message dialog.
enum class HtmlDialogSize { kMedium = 0, kSmall = 1 };

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;

  // A plain modal message box with an OK button. May be called from worker
  // threads; the call returns when the user has closed the box.
  virtual void MessageBox(const std::u16string& text) = 0;

  // A modal HTML message page (e.g. "Busy.html") from the HTML folder, with
  // the "MsgTitle" and "MsgBody" elements filled. Answers kDialogOk,
  // kDialogCancel, kDialogYes or kDialogNo (or the platform's value when the
  // window is closed another way). User-interface thread only.
  virtual int ShowHtmlMessage(const std::string& page, HtmlDialogSize size, const std::u16string& title,
                              const std::u16string& body) = 0;

  // A yes/no question for decisions the program must not take on its own
  // (e.g. setting aside a damaged settings file). True for yes.
  virtual bool AskYesNo(const std::u16string& text) = 0;

  // Shows the main window normally and brings it to the front; does nothing
  // when there is none. Called on the single-instance watcher thread.
  virtual void ShowMainWindow() = 0;
};

// The interface in use; the windows install theirs at start-up. Without one,
// messages go to standard error, questions are answered "no" and HTML pages
// answer kDialogCancel.
IUserInterface& UserInterface();
// Installs `ui` (not owned; null restores the default). Answers the previous.
IUserInterface* SetUserInterface(IUserInterface* ui);

// One text label of a page, as far as the core fills it.
class ILabel {
 public:
  virtual ~ILabel() = default;
  virtual void SetText(const std::u16string& text) = 0;
  // A Windows COLORREF: 0x00BBGGRR.
  virtual void SetTextColour(std::uint32_t colour) = 0;
  virtual void SetFontSize(int points) = 0;
  // Repaints the label (after its text or colour changed).
  virtual void Redraw() = 0;
};

}  // namespace clarivo
