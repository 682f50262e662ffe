#include "app/ui/html_dialog.h"

#include <wx/dcbuffer.h>
#include <wx/filesys.h>
#include <wx/webview.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "app/core/ini.h"
#include "app/core/scan_result.h"
#include "app/ui/page_base.h"
#include "app/ui/skin_cache.h"
#include "app/ui/ui_text.h"

namespace clarivo::ui {
namespace {

constexpr char kScheme[] = "clarivo:";
std::function<void(int)> g_end_main_window;
CHtmlDialog* g_running = nullptr;
std::function<void(const std::string&, int)> g_result_observer;

wxString DecodeEntities(const std::string& text) {
  wxString in = wxString::FromUTF8(text);
  wxString out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '&') {
      out += in[i];
      continue;
    }
    const size_t end = in.find(';', i);
    if (end == wxString::npos || end - i > 10) {
      out += in[i];
      continue;
    }
    const wxString name = in.SubString(i + 1, end - 1);
    unsigned long code = 0;
    if (name == "amp")
      out += '&';
    else if (name == "quot")
      out += '"';
    else if (name == "lt")
      out += '<';
    else if (name == "gt")
      out += '>';
    else if (name == "apos")
      out += '\'';
    else if (name == "nbsp")
      out += wxUniChar(0xA0);
    else if (name.StartsWith("#x") && name.Mid(2).ToULong(&code, 16))
      out += wxUniChar(static_cast<wxUint32>(code));
    else if (name.StartsWith("#") && name.Mid(1).ToULong(&code, 10))
      out += wxUniChar(static_cast<wxUint32>(code));
    else {
      out += in[i];
      continue;
    }
    i = end;
  }
  return out;
}

}  // namespace

std::string EscapeForScript(const wxString& text) {
  std::string out = "\"";
  const std::u16string units = ToU16(text);
  for (char16_t c : units) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c >= 0x7F || c == '<' || c == '>' || c == '&' || c == '\'') {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

wxString EscapeHtml(const wxString& text) {
  wxString out;
  for (wxUniChar c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '"')
      out += "&quot;";
    else if (c == '\r')
      continue;
    else if (c == '\n')
      out += "<br>";
    else
      out += c;
  }
  return out;
}

std::vector<wxString> ReadMessageIds(const std::string& html_file) {
  std::ifstream in(html_file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  const std::string html = content.str();
  static const std::regex attribute(R"re(data-msgid\s*=\s*(?:"([^"]*)"|'([^']*)'))re");
  std::vector<wxString> ids;
  std::set<wxString> seen;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), attribute); it != std::sregex_iterator();
       ++it) {
    const std::string raw = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
    wxString id = DecodeEntities(raw);
    if (seen.insert(id).second) ids.push_back(id);
  }
  return ids;
}

void SetEndMainWindowHook(std::function<void(int)> hook) { g_end_main_window = std::move(hook); }

// --- CHtmlDialogBase ----------------------------------------------------------

CHtmlDialogBase::CHtmlDialogBase(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, Tr("Clarivo"), wxDefaultPosition, wxSize(380, 220), wxBORDER_NONE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CHtmlDialogBase::OnPaint, this);
  // Dragged by any point outside the browser, as by a title bar.
  auto drag = std::make_shared<wxPoint>();
  Bind(wxEVT_LEFT_DOWN, [this, drag](wxMouseEvent& event) {
    *drag = ClientToScreen(event.GetPosition()) - GetPosition();
    CaptureMouse();
  });
  Bind(wxEVT_MOTION, [this, drag](wxMouseEvent& event) {
    if (HasCapture() && event.LeftIsDown()) Move(ClientToScreen(event.GetPosition()) - *drag);
  });
  Bind(wxEVT_LEFT_UP, [this](wxMouseEvent&) {
    if (HasCapture()) ReleaseMouse();
  });
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
  // Enter and Escape belong to the page, not to the window.
  Bind(wxEVT_CHAR_HOOK, [](wxKeyEvent& event) {
    if (event.GetKeyCode() != WXK_ESCAPE && event.GetKeyCode() != WXK_RETURN) event.Skip();
  });
}

CHtmlDialogBase::~CHtmlDialogBase() = default;

void CHtmlDialogBase::PaintBackground(wxDC& dc) {
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  if (background_ != nullptr && background_->IsOk()) dc.DrawBitmap(*background_, 0, 0, true);
}

void CHtmlDialogBase::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  PaintBackground(dc);
  PlaceBrowser();  // placed again after every paint
}

void CHtmlDialogBase::PlaceBrowser() {
  if (browser_ == nullptr) return;
  const wxSize size = GetClientSize();
  const wxRect area(margin_left_, margin_top_, size.x - margin_left_ - margin_right_,
                    size.y - margin_top_ - margin_bottom_);
  if (area.width <= 0 || area.height <= 0) return;
  if (browser_->GetRect() != area) browser_->SetSize(area);
}

int CHtmlDialogBase::RunModal() {
  browser_ = wxWebView::IsBackendAvailable(wxWebViewBackendDefault)
                 ? wxWebView::New(this, 102, wxString(), wxDefaultPosition, wxDefaultSize)
                 : nullptr;
  if (browser_ == nullptr) {
    OnEnded(kDialogCancel);
    return kDialogCancel;
  }
  browser_->Bind(wxEVT_WEBVIEW_NAVIGATING, &CHtmlDialogBase::OnNavigating, this);
  browser_->Bind(wxEVT_WEBVIEW_LOADED, &CHtmlDialogBase::OnLoaded, this);
  // The page talks back through a script message handler; clicks reach the
  // dialog this way (or by navigating to "clarivo:ID", which is caught too).
  browser_->Bind(wxEVT_WEBVIEW_SCRIPT_MESSAGE_RECEIVED, &CHtmlDialogBase::OnScriptMessage, this);
  browser_->AddScriptMessageHandler("clarivo");
  browser_->EnableContextMenu(false);
  browser_->LoadURL(PageAddress());
  const wxSize size = background_ != nullptr && background_->IsOk() ? background_->GetSize() : default_size_;
  SetClientSize(size);
  if (background_ != nullptr && background_->IsOk() && corner_width_ >= 0 && corner_height_ >= 0) {
    ApplyRoundedShape(this, size, corner_width_, corner_height_);
  }
  wxWindow* owner = GetParent();
  if (owner != nullptr && owner->IsShownOnScreen()) {
    CentreOnParent();
  } else {
    CentreOnScreen();
  }
  PlaceBrowser();
  int result = ShowModal();
  if (result == wxID_CANCEL || result == wxID_OK) result = kDialogCancel;  // closed another way
  OnEnded(result);
  return result;
}

void CHtmlDialogBase::OnNavigating(wxWebViewEvent& event) {
  const wxString url = event.GetURL();
  if (!url.StartsWith(kScheme)) return;
  event.Veto();
  // Ending the dialog from inside the browser's own callback is not safe.
  const wxString id = url.Mid(std::char_traits<char>::length(kScheme));
  CallAfter([this, id] { OnElementClick(id); });
}

void CHtmlDialogBase::OnLoaded(wxWebViewEvent& event) {
  // The browser's own blank page at creation is not the document.
  if (event.GetURL().StartsWith(kScheme) || event.GetURL().StartsWith("about:")) return;
  document_title_ = browser_->GetCurrentTitle();
  OnDocumentComplete();
}

void CHtmlDialogBase::MarkLoaded() {
  // The title as the page has it once its scripts ran.
  document_title_ = browser_->GetCurrentTitle();
  loaded_ = true;
}

void CHtmlDialogBase::OnScriptMessage(wxWebViewEvent& event) {
  const wxString message = event.GetString();
  if (message.StartsWith("click:")) {
    const wxString id = message.Mid(6);
    CallAfter([this, id] { OnElementClick(id); });
    return;
  }
  OnPageMessage(message);
}

// --- CHtmlDialog ----------------------------------------------------------------

const std::vector<std::pair<const char*, int>>& CHtmlDialog::ButtonResults() {
  static const std::vector<std::pair<const char*, int>> results = {{"ButtonOK", kDialogOk},
                                                                   {"ButtonYes", kDialogYes},
                                                                   {"ButtonNo", kDialogNo},
                                                                   {"ButtonCancel", kDialogCancel},
                                                                   {"ButtonClose", kDialogOk}};
  return results;
}

CHtmlDialog::CHtmlDialog(wxWindow* parent, const std::string& page, HtmlDialogSize size)
    : CHtmlDialogBase(parent), page_(page) {
  background_ = &GetImage(size == HtmlDialogSize::kSmall ? "Background_small.png" : "Background_medium.png");
  default_size_ = size == HtmlDialogSize::kSmall ? wxSize(380, 220) : wxSize(480, 320);
  margin_left_ = 14;
  margin_top_ = 29;
  margin_right_ = 14;
  margin_bottom_ = 14;
  corner_width_ = 15;
  corner_height_ = 15;
  previous_running_ = g_running;
  g_running = this;
}

CHtmlDialog::~CHtmlDialog() {
  if (g_running == this) g_running = previous_running_;
}

CHtmlDialog* CHtmlDialog::Running() { return g_running; }

void CHtmlDialog::SetResultObserver(std::function<void(const std::string&, int)> observer) {
  g_result_observer = std::move(observer);
}

void CHtmlDialog::OnEnded(int result) {
  if (g_result_observer) g_result_observer(page_, result);
}

void CHtmlDialog::SetMessage(const wxString& title, const wxString& body) {
  title_ = title;
  body_ = body;
}

wxString CHtmlDialog::PageAddress() {
  // The folder text and the page name are joined as they are: the folder
  // value is expected to end with a separator.
  std::string path = GetDeployPath("Html") + page_;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return wxFileSystem::FileNameToURL(wxFileName(wxString::FromUTF8(path)));
}

void CHtmlDialog::OnDocumentComplete() {
  std::string path = GetDeployPath("Html") + page_;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::string script = "(function(){var T={";
  bool first = true;
  for (const wxString& id : ReadMessageIds(path)) {
    const wxString translated = Tr(id.utf8_str());
    if (translated == id) continue;
    if (!first) script += ",";
    first = false;
    script += EscapeForScript(id) + ":" + EscapeForScript(EscapeHtml(translated));
  }
  script +=
      "};document.querySelectorAll('[data-msgid]').forEach(function(e){var k=e.getAttribute('data-msgid');"
      "if(Object.prototype.hasOwnProperty.call(T,k))e.innerHTML=T[k];});"
      "function set(id,h){var e=document.getElementById(id);if(e)e.innerHTML=h;}";
  ScanResult stored;
  if (LoadLastResult(stored)) {
    script += "set('ErrorCount'," + EscapeForScript(wxString::Format("%d", stored.total)) + ");";
  }
  script += "set('MsgTitle'," + EscapeForScript(title_) + ");";
  script += "set('MsgBody'," + EscapeForScript(body_) + ");";
  script += "[";
  for (const auto& [id, result] : ButtonResults()) script += std::string("'") + id + "',";
  script +=
      "].forEach(function(id){var e=document.getElementById(id);if(!e||e.clarivoHooked)return;"
      "e.clarivoHooked=true;e.addEventListener('click',function(ev){ev.preventDefault();ev.stopPropagation();"
      "window.webkit.messageHandlers.clarivo.postMessage('click:'+id);});});"
      // What the page shows now, for the test switch: the filled texts and
      // where the buttons are.
      "var out=['title='+document.title.replace(/\\n/g,' "
      "')];['ErrorCount','MsgTitle','MsgBody'].forEach(function(id){"
      "var e=document.getElementById(id);if(e)out.push(id+'='+e.innerText.replace(/\\n/g,' '));});"
      "document.querySelectorAll('[data-msgid]').forEach(function(e){out.push('msgid '+"
      "e.getAttribute('data-msgid').replace(/\\n/g,' ')+'='+e.innerText.replace(/\\n/g,' '));});"
      "[";
  for (const auto& [id, result] : ButtonResults()) script += std::string("'") + id + "',";
  script +=
      "].forEach(function(id){var e=document.getElementById(id);if(!e)return;var r=e.getBoundingClientRect();"
      "out.push('button '+id);out.push('rect '+id+' '+Math.round(r.left)+' '+Math.round(r.top)+' '+"
      "Math.round(r.width)+' '+Math.round(r.height));});"
      "window.webkit.messageHandlers.clarivo.postMessage('report\\n'+out.join('\\n'));})();";
  browser()->RunScript(wxString::FromUTF8(script));
}

void CHtmlDialog::OnPageMessage(const wxString& message) {
  if (!message.StartsWith("report\n")) return;
  report_ = message.Mid(7);
  MarkLoaded();
  // The browser may not have taken the title over yet; the page knows it.
  if (document_title().empty()) set_document_title(report_.BeforeFirst('\n').Mid(6));
}

void CHtmlDialog::OnElementClick(const wxString& id) {
  if (ended_) return;
  for (const auto& [name, result] : ButtonResults()) {
    if (id != name) continue;
    ended_ = true;
    if (id == "ButtonClose") {
      result_flag_ = true;
      if (g_end_main_window) g_end_main_window(1);
    } else {
      result_flag_ = (result == kDialogOk || result == kDialogYes);
    }
    EndModal(result);
    return;
  }
}

bool CHtmlDialog::ClickElement(const wxString& id) {
  if (browser() == nullptr || !document_loaded() || report_.Find("button " + id) == wxNOT_FOUND) return false;
  // The element's own click, as the page delivers a person's click to it.
  browser()->RunScript("document.getElementById(" + wxString::FromUTF8(EscapeForScript(id)) + ").click();");
  return true;
}

}  // namespace clarivo::ui
