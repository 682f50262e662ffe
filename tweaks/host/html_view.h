// An embedded web page in a plug-in's window. WebKit (wxWebView) renders it;
// when no web engine is available the object exists and does nothing.
#pragma once

#include <wx/string.h>
#include <wx/weakref.h>
#include <wx/webview.h>
#include <wx/window.h>

namespace tweaks {

class HtmlView {
 public:
  // Embeds a browser in `parent`, sized to the parent's size less 5 pixels.
  explicit HtmlView(wxWindow* parent);

  // A target starting with "http" or "www." (any case) is loaded as given;
  // anything else names a file in the skin folder and is loaded only when it
  // exists. Empty targets are ignored.
  virtual void Navigate(const wchar_t* url);
  // Resizes the browser; 1 when done, 0 when there is no browser.
  virtual int Resize(int width, int height);
  virtual ~HtmlView();

  // What Navigate loads for `url`: the URL itself, a file:// URL of the skin
  // file, or empty when nothing is to be loaded.
  static wxString ResolveTarget(const wxString& url);

  bool HasBrowser() const { return browser_.get() != nullptr; }

 private:
  wxWindow* parent_ = nullptr;
  wxWeakRef<wxWebView> browser_;  // a child of the parent, which may go first
};

}  // namespace tweaks
