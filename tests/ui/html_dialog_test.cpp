// The HTML message dialogs in the test process: a page of our own with every
// known element, clicked through the page as a person would.
#include "app/ui/html_dialog.h"

#include <gtest/gtest.h>

#include "app/core/scan_result.h"
#include "app/core/translation.h"
#include "tests/ui/ui_test_support.h"

namespace clarivo::ui {
namespace {

constexpr char kPage[] = R"(<!DOCTYPE html><html><head><meta charset="utf-8"><title>Test page</title></head>
<body style="margin:0;font-size:10px"><span id="MsgTitle">title here</span> <span id="MsgBody">body here</span>
<span id="ErrorCount">none</span> <span data-msgid="Registry scan">Registry scan</span>
<span data-msgid="Tom &amp; &quot;Jerry&quot;">Tom &amp; "Jerry"</span><br>
<button id="ButtonOK">OK</button><button id="ButtonYes">Yes</button><button id="ButtonNo">No</button>
<button id="ButtonCancel">Cancel</button><button id="ButtonClose">Close</button></body></html>)";

struct Outcome {
  int result = -1;
  wxString report;
  wxString title;
};

// Runs the page, clicks `button` once it has loaded and answers what it saw.
Outcome RunPage(const std::string& page, const char* button, const wxString& title = {},
                const wxString& body = {}) {
  CHtmlDialog dialog(nullptr, page, HtmlDialogSize::kSmall);
  dialog.SetMessage(title, body);
  Outcome outcome;
  wxTimer timer;
  int ticks = 0;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (++ticks > 200 && dialog.IsModal()) {
      timer.Stop();
      dialog.EndModal(99);
      return;
    }
    if (!dialog.document_loaded() || !outcome.report.empty()) return;
    outcome.report = dialog.ReportElements();
    outcome.title = dialog.document_title();
    EXPECT_TRUE(dialog.ClickElement(button)) << button << " " << outcome.report.utf8_string();
  });
  timer.Start(100);
  outcome.result = dialog.RunModal();
  timer.Stop();
  return outcome;
}

class HtmlDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = uitest::MakeProgramFolder("html");
    uitest::WriteFile(folder_ + "/html/Test.html", kPage);
  }
  std::string folder_;
};

TEST_F(HtmlDialogTest, ButtonsEndWithTheirResults) {
  EXPECT_EQ(RunPage("Test.html", "ButtonOK").result, kDialogOk);
  EXPECT_EQ(RunPage("Test.html", "ButtonYes").result, kDialogYes);
  EXPECT_EQ(RunPage("Test.html", "ButtonNo").result, kDialogNo);
  EXPECT_EQ(RunPage("Test.html", "ButtonCancel").result, kDialogCancel);

  int ended_with = 0;
  SetEndMainWindowHook([&](int result) { ended_with = result; });
  EXPECT_EQ(RunPage("Test.html", "ButtonClose").result, kDialogOk);
  EXPECT_EQ(ended_with, 1);
  SetEndMainWindowHook(nullptr);
}

TEST_F(HtmlDialogTest, FillsTitleBodyAndCount) {
  ScanResult none;
  ASSERT_FALSE(LoadLastResult(none));
  Outcome first = RunPage("Test.html", "ButtonOK", "Ask",
                          wxString::FromUTF8("Line one<br>and \"two\" \xC3\xBC \xE2\x80\xA8 </script>"));
  EXPECT_EQ(first.title, "Test page");
  EXPECT_NE(first.report.Find("MsgTitle=Ask"), wxNOT_FOUND) << first.report;
  EXPECT_NE(first.report.Find(wxString::FromUTF8("MsgBody=Line one and \"two\" \xC3\xBC")), wxNOT_FOUND)
      << first.report;
  // Markup in the body is markup (the end tag is dropped), never script.
  EXPECT_EQ(first.report.Find("</script>"), wxNOT_FOUND) << first.report;
  // No stored result: the element keeps the page's own content.
  EXPECT_NE(first.report.Find("ErrorCount=none"), wxNOT_FOUND) << first.report;
  EXPECT_NE(first.report.Find("button ButtonClose"), wxNOT_FOUND);

  ScanResult stored;
  stored.total = 30;
  stored.health_level = 2;
  ASSERT_TRUE(SaveLastResult(stored));
  Outcome second = RunPage("Test.html", "ButtonOK");
  EXPECT_NE(second.report.Find("ErrorCount=30"), wxNOT_FOUND) << second.report;
  // The title is filled with the (empty) title given.
  EXPECT_EQ(second.report.Find("title here"), wxNOT_FOUND) << second.report;
}

TEST_F(HtmlDialogTest, TranslatesMessageIds) {
  setenv("LANGUAGE", "de", 1);
  SetUpTranslation();
  Outcome outcome = RunPage("Test.html", "ButtonOK");
  unsetenv("LANGUAGE");
  SetUpTranslation();
  EXPECT_NE(outcome.report.Find(wxString::FromUTF8("msgid Registry scan=Pr\xC3\xBC"
                                                   "fung")),
            wxNOT_FOUND)
      << outcome.report;
  // Without a translation the page's own text stays.
  EXPECT_NE(outcome.report.Find("msgid Tom & \"Jerry\"=Tom & \"Jerry\""), wxNOT_FOUND) << outcome.report;
}

TEST_F(HtmlDialogTest, MissingPageStillEndsThroughTheWindow) {
  CHtmlDialog dialog(nullptr, "Nothing.html", HtmlDialogSize::kMedium);
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (dialog.IsModal()) {
      timer.Stop();
      dialog.EndModal(wxID_CANCEL);
    }
  });
  timer.Start(500);
  EXPECT_EQ(dialog.RunModal(), kDialogCancel);
  EXPECT_EQ(dialog.GetSize(), wxSize(480, 320));
}

TEST(HtmlTextTest, EscapesForScriptAndHtml) {
  EXPECT_EQ(EscapeForScript("plain"), "\"plain\"");
  EXPECT_EQ(EscapeForScript("a\"b\\c\nd\re"), "\"a\\\"b\\\\c\\nd\\re\"");
  EXPECT_EQ(EscapeForScript("</script>"), "\"\\u003C/script\\u003E\"");
  EXPECT_EQ(EscapeForScript(wxString::FromUTF8("it's & \xC3\xBC")), "\"it\\u0027s \\u0026 \\u00FC\"");
  EXPECT_EQ(EscapeForScript(wxString::FromUTF8("\xE2\x80\xA8")), "\"\\u2028\"");
  EXPECT_EQ(EscapeForScript(wxString::FromUTF8("\xF0\x9F\x98\x80")), "\"\\uD83D\\uDE00\"");
  EXPECT_EQ(EscapeHtml("<b>\"x\" & y</b>\r\nz"), "&lt;b&gt;&quot;x&quot; &amp; y&lt;/b&gt;<br>z");
}

TEST(HtmlTextTest, ReadsMessageIdsOnce) {
  const std::string folder = uitest::MakeProgramFolder("msgids");
  uitest::WriteFile(folder + "/ids.html",
                    "<p data-msgid=\"One &amp; two\">x</p><p data-msgid='Single'>y</p>"
                    "<span data-msgid=\"One &amp; two\">z</span><i data-msgid=\"&#252;ber &#x41;\">u</i>");
  const std::vector<wxString> ids = ReadMessageIds(folder + "/ids.html");
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_EQ(ids[0], "One & two");
  EXPECT_EQ(ids[1], "Single");
  EXPECT_EQ(ids[2], wxString::FromUTF8("über A"));
  EXPECT_TRUE(ReadMessageIds(folder + "/missing.html").empty());
}

}  // namespace
}  // namespace clarivo::ui
