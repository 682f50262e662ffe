#include "host/html_view.h"

#include <wx/filefn.h>
#include <wx/filesys.h>
#include <wx/webview.h>

#include "host/host_paths.h"

namespace tweaks {

HtmlView::HtmlView(wxWindow* parent) : parent_(parent) {
  if (!parent_ || !wxWebView::IsBackendAvailable(wxWebViewBackendDefault)) return;
  browser_ = wxWebView::New(parent_, wxID_ANY);
  if (!browser_) return;
  wxSize size = parent_->GetClientSize();
  Resize(size.x - 5, size.y - 5);
}

HtmlView::~HtmlView() {
  // The browser belongs to this object while its parent window lives.
  if (browser_) browser_->Destroy();
}

wxString HtmlView::ResolveTarget(const wxString& url) {
  if (url.empty()) return wxString();
  wxString head = url.Left(4);
  if (head.IsSameAs("HTTP", false) || head.IsSameAs("www.", false)) return url;
  wxString file = GetSkinFilePath(url);
  if (!wxFileExists(file)) return wxString();
  return wxFileSystem::FileNameToURL(file);
}

void HtmlView::Navigate(const wchar_t* url) {
  if (!browser_ || !url) return;
  wxString target = ResolveTarget(url);
  if (target.empty()) return;
  // wxWebView loads asynchronously on the main thread, so an earlier load is
  // simply replaced by this one.
  if (browser_->IsBusy()) browser_->Stop();
  // WebKit needs a scheme where the target only names a host.
  if (target.Left(4).IsSameAs("www.", false)) target = "http://" + target;
  browser_->LoadURL(target);
}

int HtmlView::Resize(int width, int height) {
  if (!browser_) return 0;
  browser_->SetSize(width, height);
  return 1;
}

}  // namespace tweaks
