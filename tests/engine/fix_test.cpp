// The fixers: exactly what each finding's texts designate is deleted, the
// early returns, progress sequences and counts, stop, and saving the result.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/clean_reg_imp.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"
#include "platform/text.h"
#include "tests/engine/fake_system.h"

namespace clarivo_test {
namespace {

using platform::kClassesRoot;
using platform::kCurrentUser;
using platform::kLocalMachine;
using platform::RegKey;

const std::u16string kSharedDlls = uR"(SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls)";
const std::u16string kMenuOrder =
    uR"(Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs)";
const std::u16string kArpCache = uR"(SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache)";
const std::u16string kFolders = uR"(SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders)";
const std::u16string kMuiCache = uR"(Software\Microsoft\Windows\ShellNoRoam\MUICache)";
const std::u16string kHelp = uR"(SOFTWARE\Microsoft\Windows\Help)";
const std::u16string kHtmlHelp = uR"(SOFTWARE\Microsoft\Windows\Html Help)";
const std::u16string kFileExts = uR"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts)";
const std::u16string kHklmText = u"HKEY_LOCAL_MACHINE\\";
const std::u16string kHkcuText = u"HKEY_CURRENT_USER\\";
const std::u16string kHkcrText = u"HKEY_CLASSES_ROOT\\";

// A key (value == null) or a value in it.
struct Place {
  RegKey root;
  std::u16string path;
  const char16_t* value = nullptr;
};

struct Finding {
  std::u16string name;
  std::u16string key;
  int selected = 1;
};

struct FixCase {
  const char* label;
  int type;
  std::vector<Place> registry;  // made before the fix
  std::vector<Finding> findings;
  std::vector<Place> gone;  // must be deleted; everything else in `registry` must stay
};

void PrintTo(const FixCase& c, std::ostream* os) { *os << c.label; }

const FixCase kCases[] = {
    {"shared dll value",
     1,
     {{kLocalMachine, kSharedDlls, uR"(C:\gone.dll)"}, {kLocalMachine, kSharedDlls, uR"(C:\kept.dll)"}},
     {{uR"(C:\gone.dll)", kHklmText + kSharedDlls}, {uR"(C:\kept.dll)", kHklmText + kSharedDlls, 0}},
     {{kLocalMachine, kSharedDlls, uR"(C:\gone.dll)"}}},
    {"whole application key for one bad verb",
     2,
     {{kClassesRoot, uR"(Applications\bad.exe\shell\open\command)"},
      {kClassesRoot, uR"(Applications\bad.exe\shell\edit\command)"},
      {kClassesRoot, uR"(Applications\kept.exe\shell\open\command)"}},
     {{u"cmd", kHkcrText + uR"(Applications\bad.exe\shell\open)"},
      {u"cmd", kHkcrText + uR"(Applications\kept.exe\shell\open)", 0}},
     {{kClassesRoot, uR"(Applications\bad.exe)"}}},
    {"program identifier tree, class server subkey only",
     3,
     {{kClassesRoot, uR"(Prog.Bad\CLSID)"},
      {kClassesRoot, uR"(Prog.Kept\CLSID)"},
      {kClassesRoot, uR"(CLSID\{G1}\InprocServer32)"},
      {kClassesRoot, uR"(CLSID\{G1}\LocalServer32)"},
      {kClassesRoot, uR"(CLSID\{G1}\ProgID)"}},
     {{u"{X}", kHkcrText + u"Prog.Bad"},
      {uR"(C:\gone.dll)", kHkcrText + uR"(CLSID\{G1}\InprocServer32)"},
      {u"{Y}", kHkcrText + u"Prog.Kept", 0}},
     {{kClassesRoot, u"Prog.Bad"}, {kClassesRoot, uR"(CLSID\{G1}\InprocServer32)"}}},
    {"menu order subkey",
     4,
     {{kCurrentUser, kMenuOrder + uR"(\Gone)"}, {kCurrentUser, kMenuOrder + uR"(\Kept)"}},
     {{u"Gone", kHkcuText + kMenuOrder + uR"(\Gone)"}, {u"Kept", kHkcuText + kMenuOrder + uR"(\Kept)", 0}},
     {{kCurrentUser, kMenuOrder + uR"(\Gone)"}}},
    {"cache subkey and installer folder value",
     5,
     {{kLocalMachine, kArpCache + uR"(\GoneApp)"},
      {kLocalMachine, kArpCache + uR"(\KeptApp)"},
      {kLocalMachine, kFolders, uR"(C:\gone\)"},
      {kLocalMachine, kFolders, uR"(C:\kept\)"}},
     {{u"GoneApp", kHklmText + kArpCache + uR"(\GoneApp)"},
      {uR"(C:\gone\)", kHklmText + kFolders},
      {u"KeptApp", kHklmText + kArpCache + uR"(\KeptApp)", 0},
      {uR"(C:\kept\)", kHklmText + kFolders, 0}},
     {{kLocalMachine, kArpCache + uR"(\GoneApp)"}, {kLocalMachine, kFolders, uR"(C:\gone\)"}}},
    {"default icon subkey only",
     6,
     {{kClassesRoot, uR"(cls.a\DefaultIcon)"},
      {kClassesRoot, uR"(cls.a\shell\open\command)"},
      {kClassesRoot, uR"(cls.b\DefaultIcon)"}},
     {{uR"(C:\a.ico)", kHkcrText + uR"(cls.a\DefaultIcon)"},
      {uR"(C:\b.ico)", kHkcrText + uR"(cls.b\DefaultIcon)", 0}},
     {{kClassesRoot, uR"(cls.a\DefaultIcon)"}}},
    {"edit verb goes, open verb stays",
     7,
     {{kClassesRoot, uR"(cls.c\shell\open\command)"},
      {kClassesRoot, uR"(cls.c\shell\edit\command)"},
      {kClassesRoot, uR"(cls.c\shell\preview\command)"}},
     {{u"cmd", kHkcrText + uR"(cls.c\shell\edit\command)"},
      {u"cmd", kHkcrText + uR"(cls.c\shell\preview\command)", 0}},
     {{kClassesRoot, uR"(cls.c\shell\edit)"}}},
    {"cached display name value",
     8,
     {{kCurrentUser, kMuiCache, uR"(C:\gone.exe)"}, {kCurrentUser, kMuiCache, uR"(C:\kept.exe)"}},
     {{uR"(C:\gone.exe)", kHkcuText + kMuiCache}, {uR"(C:\kept.exe)", kHkcuText + kMuiCache, 0}},
     {{kCurrentUser, kMuiCache, uR"(C:\gone.exe)"}}},
    {"empty vendor key",
     10,
     {{kCurrentUser, uR"(Software\GoneVendor)"}, {kCurrentUser, uR"(Software\KeptVendor)"}},
     {{u"GoneVendor", uR"(HKEY_CURRENT_USER\software\GoneVendor)"},
      {u"KeptVendor", uR"(HKEY_CURRENT_USER\software\KeptVendor)", 0}},
     {{kCurrentUser, uR"(Software\GoneVendor)"}}},
    {"help value in the key its text names",
     11,
     {{kLocalMachine, kHelp, u"gone.hlp"},
      {kLocalMachine, kHelp, u"same.chm"},
      {kLocalMachine, kHtmlHelp, u"same.chm"},
      {kLocalMachine, kHtmlHelp, u"kept.chm"}},
     {{u"same.chm", kHklmText + kHtmlHelp + uR"(\same.chm)"},
      {u"gone.hlp", kHklmText + kHelp + uR"(\gone.hlp)"},
      {u"kept.chm", kHklmText + kHtmlHelp + uR"(\kept.chm)", 0}},
     {{kLocalMachine, kHtmlHelp, u"same.chm"}, {kLocalMachine, kHelp, u"gone.hlp"}}},
    {"extension keys under both roots",
     13,
     {{kClassesRoot, u".aaa"},
      {kClassesRoot, u".kept"},
      {kCurrentUser, kFileExts + uR"(\.bbb\OpenWithList)"},
      {kCurrentUser, kFileExts + uR"(\.keptu)"}},
     {{u".aaa", kHkcrText + u".aaa"},
      {u".bbb", kHkcuText + kFileExts + uR"(\.bbb)"},
      {u".kept", kHkcrText + u".kept", 0},
      {u".x", u"HKEY_USERS\\.keptu"}},
     {{kClassesRoot, u".aaa"}, {kCurrentUser, kFileExts + uR"(\.bbb)"}}},
};

class FixTest : public ::testing::Test {
 protected:
  FixTest() {
    auto fake = std::make_unique<FakeSystem>();
    sys = fake.get();
    imp = new Function::CCleanRegImp(std::make_unique<Function::CRegEngine>(std::move(fake)));
  }
  ~FixTest() override { imp->Release(); }

  Function::CRegEngine& engine() { return imp->engine(); }
  void Make(const Place& place) {
    if (place.value == nullptr) {
      sys->AddKey(place.root, place.path);
    } else {
      sys->SetString(place.root, place.path, place.value, u"x");
    }
  }
  bool Exists(const Place& place) {
    return place.value == nullptr ? sys->HasKey(place.root, place.path)
                                  : sys->HasValue(place.root, place.path, place.value);
  }
  void Add(int type, const Finding& finding) {
    const int index = static_cast<int>(engine().items(type).size());
    ASSERT_TRUE(Function::AddFinding(engine(), type, finding.name, finding.key, index, 0));
    engine().items(type).back().selected = finding.selected;
  }
  int Fix(int type) { return imp->Fix(type, &callback); }
  std::vector<int> Percents() {
    std::vector<int> out;
    for (const Report& r : callback.reports) out.push_back(r.percent);
    return out;
  }
  std::vector<int> Counts() {
    std::vector<int> out;
    for (const Report& r : callback.reports) out.push_back(r.count);
    return out;
  }

  FakeSystem* sys;
  Function::CCleanRegImp* imp;
  RecordingCallback callback;
};

class FixEachType : public FixTest, public ::testing::WithParamInterface<FixCase> {};

TEST_P(FixEachType, DeletesWhatTheFindingNamesAndNothingElse) {
  const FixCase& c = GetParam();
  for (const Place& place : c.registry) Make(place);
  for (const Finding& finding : c.findings) Add(c.type, finding);

  ASSERT_EQ(Fix(c.type), 1);
  for (const Place& place : c.registry) {
    bool should_go = false;
    for (const Place& gone : c.gone) {
      should_go |=
          gone.root == place.root && place.path.starts_with(gone.path) &&
          (gone.value == nullptr || (place.value != nullptr && std::u16string(gone.value) == place.value));
    }
    EXPECT_EQ(Exists(place), !should_go)
        << platform::ToUtf8(place.path) << " " << platform::ToUtf8(place.value ? place.value : u"");
  }
  // Selected findings are reported with their key text; the list is left as it was.
  EXPECT_EQ(engine().items(c.type).size(), c.findings.size());
  for (const Report& report : callback.reports) EXPECT_EQ(report.type, c.type);
  ASSERT_FALSE(callback.reports.empty());
  EXPECT_EQ(callback.reports[0].text, c.findings[0].key);
  EXPECT_GT(sys->counting().flushes, 0);
  EXPECT_EQ(sys->memory().OpenHandleCount(), 0u) << "every key opened is closed";
}

INSTANTIATE_TEST_SUITE_P(AllTypes, FixEachType, ::testing::ValuesIn(kCases));

TEST_F(FixTest, EmptyListDoesNothingAndSucceeds) {
  // Nothing to fix is done without opening anything, even where the base key
  // is missing (a fresh registry has no menu order or help keys).
  for (int type : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13}) {
    sys->counting().opens = 0;
    EXPECT_EQ(Fix(type), 1) << type;
    EXPECT_EQ(sys->counting().opens, 0) << type;
  }
  EXPECT_TRUE(callback.reports.empty());
  EXPECT_EQ(sys->counting().deletions, 0);
  EXPECT_EQ(sys->counting().flushes, 0);
}

TEST_F(FixTest, MissingBaseKeyWithWorkFails) {
  Add(4, {u"Gone", kHkcuText + kMenuOrder + u"\\Gone"});
  Add(8, {uR"(C:\gone.exe)", kHkcuText + kMuiCache});
  Add(1, {uR"(C:\gone.dll)", kHklmText + kSharedDlls});
  EXPECT_EQ(Fix(4), 0);
  EXPECT_EQ(Fix(8), 0);
  EXPECT_EQ(Fix(1), 1) << "type 1 treats a missing SharedDlls key as nothing to do";
}

TEST_F(FixTest, StoreRefusingEveryDeletionIsAFailure) {
  sys->AddKey(kCurrentUser, kMenuOrder + u"\\Gone");
  Add(4, {u"Gone", kHkcuText + kMenuOrder + u"\\Gone"});
  sys->counting().read_only = true;
  EXPECT_EQ(Fix(4), 0);
  EXPECT_TRUE(sys->HasKey(kCurrentUser, kMenuOrder + u"\\Gone"));
  sys->counting().read_only = false;
  EXPECT_EQ(Fix(4), 1);
  EXPECT_FALSE(sys->HasKey(kCurrentUser, kMenuOrder + u"\\Gone"));
  EXPECT_EQ(Fix(4), 1) << "a repeated fix whose deletions find nothing is still done";
}

TEST_F(FixTest, NothingSelectedEndsEarlyOnlyForTheFirstSevenTypes) {
  // Type 2's key is opened only when there is work: its absence does not matter here.
  Add(2, {u"cmd", kHkcrText + uR"(Applications\a.exe\shell\open)", 0});
  EXPECT_EQ(Fix(2), 1);
  sys->AddKey(kCurrentUser, uR"(Software\Kept)");
  Add(10, {u"Kept", uR"(HKEY_CURRENT_USER\software\Kept)", 0});
  EXPECT_EQ(Fix(10), 1);
  EXPECT_TRUE(sys->HasKey(kCurrentUser, uR"(Software\Kept)"));
  EXPECT_TRUE(callback.reports.empty());
  EXPECT_EQ(sys->counting().deletions, 0);

  Add(2, {u"cmd", kHkcrText + uR"(Applications\a.exe\shell\open)"});
  EXPECT_EQ(Fix(2), 0) << "selected work without an Applications key";
}

TEST_F(FixTest, MissingOptionalKeysStillLetTheOthersWork) {
  // No cache key: the installer folder value is still deleted.
  sys->SetString(kLocalMachine, kFolders, uR"(C:\gone\)", u"");
  Add(5, {u"App", kHklmText + kArpCache + uR"(\App)"});
  Add(5, {uR"(C:\gone\)", kHklmText + kFolders});
  EXPECT_EQ(Fix(5), 1);
  EXPECT_FALSE(sys->HasValue(kLocalMachine, kFolders, uR"(C:\gone\)"));
  EXPECT_EQ(Counts(), (std::vector<int>{0, 0}));  // the skipped cache finding is no deletion

  // Neither help key: the help fix fails and touches nothing.
  callback.reports.clear();
  Add(11, {u"a.hlp", kHklmText + kHelp + uR"(\a.hlp)"});
  EXPECT_EQ(Fix(11), 0);
  EXPECT_TRUE(callback.reports.empty());

  // No HTML help key (as in a fresh Wine prefix): plain help findings are still fixed.
  sys->SetString(kLocalMachine, kHelp, u"a.hlp", u"C:\\h");
  EXPECT_EQ(Fix(11), 1);
  EXPECT_FALSE(sys->HasValue(kLocalMachine, kHelp, u"a.hlp"));

  // No plain help key: its finding counts as a failed deletion, the HTML one still goes.
  callback.reports.clear();
  sys->counting().inner().DeleteTree(kLocalMachine, kHelp);
  sys->SetString(kLocalMachine, kHtmlHelp, u"b.chm", u"C:\\h");
  Add(11, {u"b.chm", kHklmText + kHtmlHelp + uR"(\b.chm)"});
  EXPECT_EQ(Fix(11), 1);
  EXPECT_FALSE(sys->HasValue(kLocalMachine, kHtmlHelp, u"b.chm"));
  EXPECT_EQ(Counts(), (std::vector<int>{0, 1}));
}

TEST_F(FixTest, ProgressDividesBySelectedItemsOrByListSize) {
  sys->AddKey(kLocalMachine, kSharedDlls);
  for (const char16_t* name : {u"C:\\a", u"C:\\b", u"C:\\c", u"C:\\d"}) {
    Add(1, {name, kHklmText + kSharedDlls, name == std::u16string(u"C:\\b") ? 0 : 1});
  }
  EXPECT_EQ(Fix(1), 1);
  // Type 1 reports unselected items too, and divides by the three selected ones.
  EXPECT_EQ(Percents(), (std::vector<int>{33, 66, 100, 133}));
  EXPECT_EQ(Counts(), (std::vector<int>{0, 1, 1, 2}));

  callback.reports.clear();
  sys->AddKey(kCurrentUser, kMuiCache);
  for (int i = 0; i < 3; ++i)
    Add(8, {u"C:\\x" + std::u16string(1, u'0' + i), kHkcuText + kMuiCache, i == 1 ? 0 : 1});
  EXPECT_EQ(Fix(8), 1);
  // Type 8 divides by the list size, counts by position and skips the unselected one silently.
  EXPECT_EQ(Percents(), (std::vector<int>{33, 100}));
  EXPECT_EQ(Counts(), (std::vector<int>{0, 2}));

  // Type 10 also counts by position, not by deletions made.
  callback.reports.clear();
  sys->AddKey(kCurrentUser, uR"(Software\A)");
  sys->AddKey(kCurrentUser, uR"(Software\B)");
  Add(10, {u"A", uR"(HKEY_CURRENT_USER\software\A)", 0});
  Add(10, {u"B", uR"(HKEY_CURRENT_USER\software\B)"});
  EXPECT_EQ(Fix(10), 1);
  EXPECT_EQ(callback.reports, (std::vector<Report>{{10, uR"(HKEY_CURRENT_USER\software\B)", 100, 1}}));
  EXPECT_TRUE(sys->HasKey(kCurrentUser, uR"(Software\A)"));
}

TEST_F(FixTest, DefaultIconCountsOnlyRealDeletionsAndRepeatsQuietly) {
  sys->AddKey(kClassesRoot, uR"(a\DefaultIcon)");
  sys->AddKey(kClassesRoot, u"b");  // its icon key is already gone
  sys->AddKey(kClassesRoot, uR"(c\DefaultIcon)");
  for (const char16_t* name : {u"a", u"b", u"nokey", u"c"}) {
    Add(6, {u"C:\\i.ico", kHkcrText + name + uR"(\DefaultIcon)"});
  }
  EXPECT_EQ(Fix(6), 1);
  EXPECT_EQ(Counts(), (std::vector<int>{0, 1, 1, 1}));  // reported before its key is opened
  EXPECT_EQ(Percents(), (std::vector<int>{25, 50, 75, 100}));
  EXPECT_TRUE(sys->HasKey(kClassesRoot, u"a"));
  EXPECT_FALSE(sys->HasKey(kClassesRoot, uR"(a\DefaultIcon)"));

  // A second fix finds nothing left and counts nothing.
  callback.reports.clear();
  const int flushes = sys->counting().flushes;
  EXPECT_EQ(Fix(6), 1);
  EXPECT_EQ(Counts(), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(sys->counting().flushes, flushes) << "nothing removed, nothing to save";
}

TEST_F(FixTest, OtherTypesCountRepeatedDeletionsAsMade) {
  sys->AddKey(kCurrentUser, kMenuOrder + uR"(\A)");
  sys->AddKey(kCurrentUser, kMenuOrder + uR"(\B)");
  Add(4, {u"A", kHkcuText + kMenuOrder + uR"(\A)"});
  Add(4, {u"B", kHkcuText + kMenuOrder + uR"(\B)"});
  EXPECT_EQ(Fix(4), 1);
  EXPECT_EQ(Fix(4), 1);
  EXPECT_EQ(Counts(), (std::vector<int>{0, 1, 0, 1}));
  EXPECT_EQ(Percents(), (std::vector<int>{50, 100, 50, 100}));
}

TEST_F(FixTest, VerbAndExtensionTextsThatDoNotParseAreNotReported) {
  sys->AddKey(kClassesRoot, uR"(k\shell\open\command)");
  Add(7, {u"cmd", kHkcrText + uR"(nokey\shell\open\command)"});  // its shell key does not open
  Add(7, {u"cmd", kHkcrText + uR"(k\shell\open\command)"});
  EXPECT_EQ(Fix(7), 1);
  ASSERT_EQ(callback.reports.size(), 1u);
  EXPECT_EQ(callback.reports[0].percent, 100);
  EXPECT_FALSE(sys->HasKey(kClassesRoot, uR"(k\shell\open)"));
  EXPECT_TRUE(sys->HasKey(kClassesRoot, uR"(k\shell)"));

  callback.reports.clear();
  Add(13, {u".q", u"HKEY_USERS\\.q"});
  EXPECT_EQ(Fix(13), 1);
  EXPECT_TRUE(callback.reports.empty());
}

TEST_F(FixTest, TextsThatWouldNameAParentKeyDeleteNothing) {
  sys->AddKey(kCurrentUser, kFileExts + uR"(\.keep)");
  sys->AddKey(kClassesRoot, uR"(CLSID\{G}\InprocServer32)");
  sys->AddKey(kClassesRoot, uR"(Applications\keep.exe)");
  sys->AddKey(kCurrentUser, uR"(Software\Keep)");
  Add(13, {u"", kHkcuText + kFileExts + u"\\"});
  Add(3, {u"C:\\x.dll", kHkcrText + uR"(CLSID\{G})"});
  Add(2, {u"cmd", kHkcrText + uR"(Applications\\shell\open)"});
  Add(10, {u"", uR"(HKEY_CURRENT_USER\software\)"});
  for (int type : {13, 3, 2, 10}) EXPECT_EQ(Fix(type), 1) << type;
  EXPECT_TRUE(sys->HasKey(kCurrentUser, kFileExts + uR"(\.keep)"));
  EXPECT_TRUE(sys->HasKey(kClassesRoot, uR"(CLSID\{G}\InprocServer32)"));
  EXPECT_TRUE(sys->HasKey(kClassesRoot, uR"(Applications\keep.exe)"));
  EXPECT_TRUE(sys->HasKey(kCurrentUser, uR"(Software\Keep)"));
}

TEST_F(FixTest, StopFromAReportEndsBeforeTheNextItemAndKeepsWhatWasDone) {
  for (const char16_t* name : {u"A", u"B", u"C"}) {
    sys->AddKey(kCurrentUser, std::u16string(u"Software\\") + name);
    Add(10, {name, std::u16string(uR"(HKEY_CURRENT_USER\software\)") + name});
  }
  callback.on_report = [&](std::size_t) { imp->Stop(1); };
  EXPECT_EQ(Fix(10), 2);
  EXPECT_EQ(callback.reports.size(), 1u);
  EXPECT_FALSE(sys->HasKey(kCurrentUser, uR"(Software\A)"));
  EXPECT_TRUE(sys->HasKey(kCurrentUser, uR"(Software\B)"));
  EXPECT_EQ(sys->counting().flushes, 1) << "the deletion made before the stop is saved";
  EXPECT_EQ(sys->memory().OpenHandleCount(), 0u);
}

TEST_F(FixTest, DeletionsThatCannotBeSavedAreAFailure) {
  sys->AddKey(kCurrentUser, uR"(Software\A)");
  Add(10, {u"A", uR"(HKEY_CURRENT_USER\software\A)"});
  sys->counting().flush_result = platform::kRegWriteFault;
  EXPECT_EQ(Fix(10), 0);
}

// Every scanner's key texts lead its fixer to the entry, so a rescan is clean.
TEST_F(FixTest, ScanFixRescanLeavesNothingBehind) {
  sys->SetDword(kLocalMachine, kSharedDlls, uR"(C:\gone\s.dll)", 1);
  sys->SetString(kClassesRoot, uR"(Applications\app.exe\shell\open\command)", u"", uR"(C:\gone\app.exe)");
  sys->SetString(kClassesRoot, uR"(Prog.X\CLSID)", u"", u"{00000000-0000-0000-0000-00000000000A}");
  sys->SetString(kClassesRoot, uR"(CLSID\{00000000-0000-0000-0000-00000000000B}\InprocServer32)", u"",
                 uR"(C:\gone\srv.dll)");
  sys->AddKey(kCurrentUser, kMenuOrder + uR"(\Gone Menu)");
  sys->AddKey(kLocalMachine, kArpCache + uR"(\GoneApp)");
  sys->SetString(kLocalMachine, kFolders, uR"(C:\gone\folder\)", u"");
  sys->SetString(kClassesRoot, uR"(cls.i\DefaultIcon)", u"", uR"(C:\gone\i.ico,0)");
  sys->SetString(kClassesRoot, uR"(cls.v\shell\edit\command)", u"", uR"(C:\gone\ed.exe "%1")");
  sys->SetString(kCurrentUser, kMuiCache, uR"(C:\gone\m.exe)", u"M");
  sys->AddKey(kCurrentUser, uR"(Software\EmptyVendor)");
  sys->SetString(kLocalMachine, kHtmlHelp, u"gone.chm", uR"(C:\gone)");
  sys->SetString(kLocalMachine, kHelp, u"gone.hlp", uR"(C:\gone)");
  sys->AddKey(kClassesRoot, u".zzz");
  sys->AddKey(kCurrentUser, kFileExts + uR"(\.yyy)");

  for (int type : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13}) {
    SCOPED_TRACE(type);
    ASSERT_GT(imp->Scan(type, nullptr)->count, 0);
    EXPECT_EQ(imp->Fix(type, nullptr), 1);
    EXPECT_EQ(imp->Scan(type, nullptr)->count, 0);
  }
}

}  // namespace
}  // namespace clarivo_test
