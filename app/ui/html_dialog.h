// The HTML message dialogs: a small skinned modal window around a web view
// that shows a local page of the HTML folder. The page's buttons (elements
// with the ids ButtonOK, ButtonYes, ButtonNo, ButtonCancel, ButtonClose) end
// the dialog with fixed results; the elements ErrorCount, MsgTitle and
// MsgBody are filled, and every element with a data-msgid attribute gets the
// translation of that English text, once the page has loaded.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <functional>
#include <string>
#include <vector>

#include "app/core/user_interface.h"
#include "app/ui/wnd_helper.h"

class wxWebView;
class wxWebViewEvent;

namespace clarivo::ui {

class CHtmlDialogBase : public wxDialog, public ISkinBackground {
 public:
  explicit CHtmlDialogBase(wxWindow* parent);
  ~CHtmlDialogBase() override;

  // Creates the browser, opens the page, shapes and places the window and runs
  // it modally. A browser that cannot be created ends it at once (2).
  int RunModal();
  void PaintBackground(wxDC& dc) override;
  const wxString& document_title() const { return document_title_; }
  bool document_loaded() const { return loaded_; }
  wxWebView* browser() const { return browser_; }

 protected:
  virtual wxString PageAddress() = 0;
  // Called when the document has loaded (its title is already kept).
  virtual void OnDocumentComplete() {}
  // A click on an element the dialog knows, reported by the page.
  virtual void OnElementClick(const wxString& id) { (void)id; }
  // A message the page sent through the "clarivo" script handler.
  virtual void OnPageMessage(const wxString& message) { (void)message; }
  // Set by a derived class once the page is ready.
  void MarkLoaded();
  void set_document_title(const wxString& title) { document_title_ = title; }
  // The dialog has ended with `result`.
  virtual void OnEnded(int result) { (void)result; }
  void PlaceBrowser();

  const wxBitmap* background_ = nullptr;
  wxSize default_size_{380, 220};
  int corner_width_ = -1;
  int corner_height_ = -1;
  int margin_left_ = 5;
  int margin_top_ = 0;
  int margin_right_ = 5;
  int margin_bottom_ = 5;

 private:
  void OnNavigating(wxWebViewEvent& event);
  void OnLoaded(wxWebViewEvent& event);
  void OnScriptMessage(wxWebViewEvent& event);
  void OnPaint(wxPaintEvent& event);

  wxWebView* browser_ = nullptr;
  wxString document_title_;
  bool loaded_ = false;
};

class CHtmlDialog : public CHtmlDialogBase {
 public:
  // size: HtmlDialogSize::kSmall takes "Background_small.png", kMedium
  // "Background_medium.png".
  CHtmlDialog(wxWindow* parent, const std::string& page, HtmlDialogSize size);
  ~CHtmlDialog() override;

  void SetMessage(const wxString& title, const wxString& body);
  const std::string& page() const { return page_; }
  bool result_flag() const { return result_flag_; }

  // The dialog running now (the innermost), for the test switch; null when none.
  static CHtmlDialog* Running();
  // Clicks the element `id` through the page (false when the page has none).
  bool ClickElement(const wxString& id);
  // Texts of the page once filled: "id=innerText" for ErrorCount, MsgTitle,
  // MsgBody, "msgid ID=text" for every element with data-msgid, "button ID"
  // and "rect ID x y w h" for each button, one per line.
  const wxString& ReportElements() const { return report_; }

  // Told the page and the result of every dialog that ends (test switch).
  static void SetResultObserver(std::function<void(const std::string& page, int result)> observer);

  // The button ids and their results.
  static const std::vector<std::pair<const char*, int>>& ButtonResults();

 protected:
  wxString PageAddress() override;
  void OnDocumentComplete() override;
  void OnEnded(int result) override;
  void OnPageMessage(const wxString& message) override;
  void OnElementClick(const wxString& id) override;

 private:
  std::string page_;
  wxString title_;
  wxString body_;
  bool result_flag_ = false;
  bool ended_ = false;
  wxString report_;
  CHtmlDialog* previous_running_ = nullptr;
};

// Text as a JavaScript string literal, safe inside any script: quotes,
// backslashes, line ends, "<", ">", "&" and every non-ASCII character escaped.
std::string EscapeForScript(const wxString& text);
// Text with the HTML special characters escaped, line ends as <br>.
wxString EscapeHtml(const wxString& text);
// The data-msgid values of an HTML file (entities decoded), in order, once each.
std::vector<wxString> ReadMessageIds(const std::string& html_file);

// Ends the main window's loop with `result` (the program exits); installed by
// the main window.
void SetEndMainWindowHook(std::function<void(int)> hook);

}  // namespace clarivo::ui
