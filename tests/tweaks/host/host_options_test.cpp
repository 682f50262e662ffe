// system.xml (options and view list), the program folder's derived paths and
// what an embedded page loads for a target.
#include "host/host_options.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/datetime.h>
#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/init.h>
#include <wx/log.h>

#include <filesystem>
#include <string>

#include "host/host_paths.h"
#include "host/html_view.h"
#include "host/view_list.h"

namespace tweaks {
namespace {

namespace fs = std::filesystem;

class HostFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tweaks-options-" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    SetProgramFolder(wxString::FromUTF8(folder_.string()));
  }
  void TearDown() override { fs::remove_all(folder_); }

  void WriteSystemXml(const std::string& body) {
    wxFFile(SystemXmlPath(), "w").Write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body);
  }
  HostOptions Load() {
    HostOptions options;
    options.haveTray = options.singleInstance = true;  // must be overwritten
    LoadHostOptionsFile(options);
    return options;
  }

  wxInitializer toolkit_;
  fs::path folder_;
};

TEST_F(HostFilesTest, OtherAttributesAreTrueOnlyForYInAnyCase) {
  WriteSystemXml("<t><other HaveTray=\"Y\" IsSingleInstance=\"yes\"/></t>");
  HostOptions options = Load();
  EXPECT_TRUE(options.haveTray);
  EXPECT_FALSE(options.singleInstance);

  WriteSystemXml("<t><OTHER HaveTray=\"n\"/></t>");  // element name in any case, absent attribute is "y"
  options = Load();
  EXPECT_FALSE(options.haveTray);
  EXPECT_TRUE(options.singleInstance);

  WriteSystemXml("<t><other/></t>");
  options = Load();
  EXPECT_TRUE(options.haveTray);
  EXPECT_TRUE(options.singleInstance);
}

TEST_F(HostFilesTest, OnlyTheFirstOtherElementCounts) {
  WriteSystemXml(
      "<t><VIEWLIST/><other HaveTray=\"n\" IsSingleInstance=\"y\"/><other HaveTray=\"y\" "
      "IsSingleInstance=\"n\"/></t>");
  HostOptions options = Load();
  EXPECT_FALSE(options.haveTray);
  EXPECT_TRUE(options.singleInstance);
}

TEST_F(HostFilesTest, MissingBrokenOrOtherlessFilesTurnBothOptionsOff) {
  EXPECT_FALSE(Load().haveTray);  // no file at all
  EXPECT_FALSE(Load().singleInstance);
  WriteSystemXml("<t><other HaveTray=\"y\"");  // not well-formed
  EXPECT_FALSE(Load().haveTray);
  WriteSystemXml("<t><nested><other/></nested></t>");  // only direct children of the root count
  EXPECT_FALSE(Load().singleInstance);
  // The six dialog-only fields are never taken from the file.
  WriteSystemXml("<t><other closeExits=\"y\" autoProtect=\"y\"/></t>");
  HostOptions options;
  LoadHostOptionsFile(options);
  EXPECT_FALSE(options.closeExits);
  EXPECT_FALSE(options.autoProtect);
}

TEST_F(HostFilesTest, ViewListsOfEverySectionAreReadInDocumentOrder) {
  WriteSystemXml(
      "<t><viewlist><a name=\"one\" desc=\"first\" path=\"/x/one.so\"/><b path=\"two.so\"/></viewlist>"
      "<other/><VIEWLIST><c name=\"three\"/></VIEWLIST></t>");
  auto views = ReadViewList(SystemXmlPath());
  ASSERT_EQ(views.size(), 3u);
  EXPECT_EQ(views[0].name, "one");
  EXPECT_EQ(views[0].desc, "first");
  EXPECT_EQ(views[0].path, "/x/one.so");
  EXPECT_EQ(views[1].path, "two.so");
  EXPECT_TRUE(views[1].name.empty());
  EXPECT_EQ(views[2].name, "three");
  EXPECT_TRUE(ReadViewList(SystemXmlPath() + ".missing").empty());
}

TEST_F(HostFilesTest, InfoAndLogFoldersAreCreatedWhenAskedFor) {
  wxString program = wxString::FromUTF8(folder_.string()) + "/";
  EXPECT_EQ(ProgramFolder(), program);
  EXPECT_FALSE(wxDirExists(program + "log"));
  EXPECT_EQ(GetLogFilePath("x.log"), program + "log/x.log");
  EXPECT_TRUE(wxDirExists(program + "log"));
  EXPECT_EQ(GetInfoFilePath(""), program + "info/");
  EXPECT_TRUE(wxDirExists(program + "info"));
  EXPECT_EQ(GetSkinFilePath("xml\\MainFrame\\MainFrame.xml"),
            program + "resource/default/xml/MainFrame/MainFrame.xml");
  EXPECT_EQ(LanguagesFolder(), program + "Languages");

  wxString today = TodayLogFileName();
  ASSERT_EQ(today.length(), 14u);  // YYYY-MM-DD.log
  EXPECT_TRUE(today.EndsWith(".log"));
  EXPECT_EQ(today.Left(10), wxDateTime::Now().FormatISODate());
}

TEST_F(HostFilesTest, AFolderThatCannotBeCreatedIsNotReported) {
  struct Recorder : wxLog {
    int messages = 0;
    void DoLogTextAtLevel(wxLogLevel, const wxString&) override { ++messages; }
  };
  auto* recorder = new Recorder;
  wxLog* previous = wxLog::SetActiveTarget(recorder);
  // The parent is missing, so the one-level creation fails.
  SetProgramFolder(wxString::FromUTF8((folder_ / "gone" / "program").string()));
  wxString log = GetLogFilePath("x.log");
  wxString info = GetInfoFilePath("");
  wxLog::FlushActive();
  wxLog::SetActiveTarget(previous);
  EXPECT_EQ(recorder->messages, 0);
  delete recorder;
  EXPECT_TRUE(log.EndsWith("/gone/program/log/x.log"));
  EXPECT_TRUE(info.EndsWith("/gone/program/info/"));
  EXPECT_FALSE(wxDirExists(info));
}

TEST_F(HostFilesTest, LibraryPathsPreferTheProgramFolder) {
  wxString program = ProgramFolder();
  wxFFile(program + "View.so", "w").Write("x");
  EXPECT_EQ(ResolveLibraryPath("View.so"), program + "View.so");
  EXPECT_EQ(ResolveLibraryPath("Other.so"), "Other.so");  // left to the system's search
  EXPECT_EQ(ResolveLibraryPath("/abs/View.so"), "/abs/View.so");
}

TEST_F(HostFilesTest, PageTargetsAreUrlsOrExistingSkinFiles) {
  EXPECT_EQ(HtmlView::ResolveTarget("http://example.org/a"), "http://example.org/a");
  EXPECT_EQ(HtmlView::ResolveTarget("HTTPS://example.org"), "HTTPS://example.org");
  EXPECT_EQ(HtmlView::ResolveTarget("WWW.example.org"), "WWW.example.org");
  EXPECT_TRUE(HtmlView::ResolveTarget("html\\page.html").empty());  // no such skin file
  EXPECT_TRUE(HtmlView::ResolveTarget("").empty());
  fs::create_directories(folder_ / "resource/default/html");
  wxFFile(GetSkinFilePath("html/page.html"), "w").Write("<p>x</p>");
  wxString target = HtmlView::ResolveTarget("html\\page.html");
  EXPECT_TRUE(target.StartsWith("file://"));
  EXPECT_TRUE(target.EndsWith("resource/default/html/page.html"));
}

}  // namespace
}  // namespace tweaks
