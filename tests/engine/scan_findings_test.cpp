// What each scanner reports on a small registry: names, key texts, order,
// numbering and icons, with the cases that must not be reported beside them.
#include <string>
#include <vector>

#include "tests/engine/scan_fixture.h"

namespace clarivo_test {
namespace {

using Function::CRegEngine;
using Function::ICallback;
using ScannerFn = void (*)(CRegEngine&, ICallback*);

// One registry entry: a key (name == nullptr) or a value in it.
struct Entry {
  platform::RegKey root;
  const char* path;
  const char* name = nullptr;
  const char* text = "";
  std::uint32_t type = platform::kRegSz;
};

struct Case {
  const char* label;
  int type;
  std::vector<ScannerFn> passes;
  std::vector<Entry> registry;
  std::vector<const char*> files;  // paths that exist
  std::vector<Finding> expected;
  const char* icon_source;  // null: the key's last component (extension keys)
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

constexpr const char* kMenu =
    R"(Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs)";
constexpr const char* kFileExts = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts)";

const Case kCases[] = {
    {"SharedDlls",
     1,
     {Function::GetMissingShareDLL},
     {{kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls)", R"(C:\Windows\gone.dll)", "",
       platform::kRegDword},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls)", R"(C:\Program Files\Common)"},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls)", R"(C:\Windows\here.dll)"},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls)", R"(C:\x\gone.ocx)"}},
     {R"(C:\Program Files\Common\)", R"(C:\Windows\here.dll)"},
     {{R"(C:\Windows\gone.dll)",
       R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls)"},
      {R"(C:\x\gone.ocx)", R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls)"}},
     ".dll"},
    {"Applications: every verb, expanded text, relative programs skipped",
     2,
     {Function::GetInvalidApplication},
     {{kHkcr, R"(Applications\bad.exe\shell\open\command)", "", R"("C:\gone\bad.exe" "%1")"},
      {kHkcr, R"(Applications\bad.exe\shell\edit\command)", "", R"(C:\gone\bad.exe /e)"},
      {kHkcr, R"(Applications\bad.exe\shell\print\command)", "", R"(C:\gone\print.exe %1)"},
      {kHkcr, R"(Applications\exp.exe\shell\open\command)", "", R"(%ProgramFiles%\Exp\exp.exe)",
       platform::kRegExpandSz},
      {kHkcr, R"(Applications\good.exe\shell\open\command)", "", R"(C:\here\good.exe "%1")"},
      {kHkcr, R"(Applications\rel.exe\shell\open\command)", "", "notepad.exe %1"},
      {kHkcr, R"(Applications\noshell.exe)", "", "x"}},
     {R"(C:\here\good.exe)"},
     {{R"(C:\gone\bad.exe /e)", R"(HKEY_CLASSES_ROOT\Applications\bad.exe\shell\edit)"},
      {R"("C:\gone\bad.exe" "%1")", R"(HKEY_CLASSES_ROOT\Applications\bad.exe\shell\open)"},
      {R"(C:\gone\print.exe %1)", R"(HKEY_CLASSES_ROOT\Applications\bad.exe\shell\print)"},
      {R"(C:\Program Files\Exp\exp.exe)", R"(HKEY_CLASSES_ROOT\Applications\exp.exe\shell\open)"}},
     ".exe"},
    {"COM: program identifiers, then class servers",
     3,
     {Function::GetInvalidActiveXAndCOM},
     {{kHkcr, R"(.ext\CLSID)", "", "{E0}"},
      {kHkcr, R"(Bare.Id\CLSID)", "", "C0"},
      {kHkcr, R"(BareOk.Id\CLSID)", "", "D0"},
      {kHkcr, R"(Braced.Id\CLSID)", "", "{B0}"},
      {kHkcr, R"(Good.Id\CLSID)", "", "{A0}"},
      {kHkcr, R"(CLSID\{A0}\InprocServer32)", "", R"(C:\gone\a.dll)"},
      {kHkcr, R"(CLSID\{A0}\LocalServer32)", "", R"(%SystemRoot%\gone.exe /automation)",
       platform::kRegExpandSz},
      {kHkcr, R"(CLSID\{D0}\InprocServer32)", "", "bare.dll"},
      {kHkcr, R"(CLSID\{F0}\InprocServer32)", "", R"(C:\here\f.dll)"}},
     {R"(C:\here\f.dll)"},
     {{"C0", R"(HKEY_CLASSES_ROOT\Bare.Id)"},
      {"{B0}", R"(HKEY_CLASSES_ROOT\Braced.Id)"},
      {R"(C:\gone\a.dll)", R"(HKEY_CLASSES_ROOT\CLSID\{A0}\InprocServer32)"},
      {R"(C:\Windows\gone.exe /automation)", R"(HKEY_CLASSES_ROOT\CLSID\{A0}\LocalServer32)"}},
     ".ocx"},
    {"Start menu: user, all users and localised folders",
     4,
     {Function::GetInvalidStartMenuOrding},
     {{kHkcu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\Common)"},
      {kHkcu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\Gone)"},
      {kHkcu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\Local)"},
      {kHkcu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\Mine)"}},
     {R"(C:\All\Start Menu\Programs\Common)", R"(C:\Me\Start Menu\程序\Local)",
      R"(C:\Me\Start Menu\Programs\Mine)"},
     {{"Gone", std::string("HKEY_CURRENT_USER\\") + kMenu + "\\Gone"}},
     ".lnk"},
    {"Installer: cache entries, then folders",
     5,
     {Function::GetInvalidInstaller},
     {{kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\Gone)"},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\Kept)"},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Kept)"},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders)", R"(C:\Program Files\Kept\)"},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders)", R"(C:\Program Files\Gone\)"}},
     {R"(C:\Program Files\Kept)"},
     {{"Gone",
       R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\Gone)"},
      {R"(C:\Program Files\Gone\)",
       R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders)"}},
     ".exe"},
    {"Default icons",
     6,
     {Function::GetInvalidDefaultIcon},
     {{kHkcr, R"(.bad\DefaultIcon)", "", R"(C:\gone\x.ico)"},
      {kHkcr, R"(badicon\DefaultIcon)", "", R"(C:\icons\gone.ico,0)"},
      {kHkcr, R"(goodicon\DefaultIcon)", "", R"(%SystemRoot%\system32\shell32.dll,-4)",
       platform::kRegExpandSz},
      {kHkcr, R"(txtfile\DefaultIcon)", "", "%1"}},
     {R"(C:\Windows\system32\shell32.dll)"},
     {{R"(C:\gone\x.ico)", R"(HKEY_CLASSES_ROOT\.bad\DefaultIcon)"},
      {R"(C:\icons\gone.ico,0)", R"(HKEY_CLASSES_ROOT\badicon\DefaultIcon)"}},
     ".ico"},
    {"Open, edit and preview verbs only",
     7,
     {Function::GetInvalidOpenWithApplication},
     {{kHkcr, R"(docfile\shell\open\command)", "", R"("C:\gone\word.exe" "%1")"},
      {kHkcr, R"(docfile\shell\edit\command)", "", R"(C:\gone\word.exe /edit %1)"},
      {kHkcr, R"(docfile\shell\print\command)", "", R"(C:\gone\print.exe %1)"},
      {kHkcr, R"(docfile\shell\preview\command)", "", R"(C:\here\view.exe %1)"},
      {kHkcr, R"(imgfile\shell\preview\command)", "", R"(C:\gone\view.exe %1)"}},
     {R"(C:\here\view.exe)"},
     {{R"("C:\gone\word.exe" "%1")", R"(HKEY_CLASSES_ROOT\docfile\shell\open\command)"},
      {R"(C:\gone\word.exe /edit %1)", R"(HKEY_CLASSES_ROOT\docfile\shell\edit\command)"},
      {R"(C:\gone\view.exe %1)", R"(HKEY_CLASSES_ROOT\imgfile\shell\preview\command)"}},
     ".exe"},
    {"MUI cache: names with resource suffixes, markers skipped",
     8,
     {Function::GetMUICache},
     {{kHkcu, R"(Software\Microsoft\Windows\ShellNoRoam\MUICache)", "LangID", "", platform::kRegBinary},
      {kHkcu, R"(Software\Microsoft\Windows\ShellNoRoam\MUICache)", R"(C:\Here\app.exe,-5)", "App"},
      {kHkcu, R"(Software\Microsoft\Windows\ShellNoRoam\MUICache)", R"(@C:\Gone\lib.dll,-12)", "Lib"},
      {kHkcu, R"(Software\Microsoft\Windows\ShellNoRoam\MUICache)", R"(C:\Gone\tool.exe)", "Tool"}},
     {R"(C:\Here\app.exe)"},
     {{R"(@C:\Gone\lib.dll,-12)", R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\ShellNoRoam\MUICache)"},
      {R"(C:\Gone\tool.exe)", R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\ShellNoRoam\MUICache)"}},
     ".dll"},
    {"Software keys that hold nothing",
     10,
     {Function::GetObsoleteSoftware},
     {{kHkcu, R"(Software\Blank)"},
      {kHkcu, R"(Software\EmptyDefault)", "", ""},
      {kHkcu, R"(Software\Named)", "Setting", ""},
      {kHkcu, R"(Software\Number)", "", "", platform::kRegDword},
      {kHkcu, R"(Software\WithData)", "", "x"},
      {kHkcu, R"(Software\WithSub\Empty)"}},
     {},
     {{"Blank", R"(HKEY_CURRENT_USER\software\Blank)"},
      {"EmptyDefault", R"(HKEY_CURRENT_USER\software\EmptyDefault)"}},
     ".exe"},
    {"Help files in both keys, one backslash between folder and name",
     11,
     {Function::GetHelpFiles},
     {{kHklm, R"(SOFTWARE\Microsoft\Windows\Help)", "gone.hlp", R"(C:\Windows\Help\)"},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\Help)", "here.hlp", R"(C:\Windows\Help)"},
      {kHklm, R"(SOFTWARE\Microsoft\Windows\Html Help)", "gone.chm", R"(C:\Docs)"}},
     {R"(C:\Windows\Help\here.hlp)"},
     {{"gone.hlp", R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\Help\gone.hlp)"},
      {"gone.chm", R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\Html Help\gone.chm)"}},
     ".chm"},
    {"Extensions in the class root, then per user",
     13,
     {Function::GetUnusedFileExtensionsClassesRoot, Function::GetUnusedFileExtensionsPerUser},
     {{kHkcr, R"(.blank)", "", ""},
      {kHkcr, R"(.empty)"},
      {kHkcr, R"(.named)", "Content Type", "text/x"},
      {kHkcr, R"(.ok)", "", "okfile"},
      {kHkcr, R"(okfile)"},
      {kHkcr, R"(.orphan)", "", "Orphan.File"},
      {kHkcr, R"(.sub\ShellNew)"},
      {kHkcr, R"(.two)", "", "x"},
      {kHkcr, R"(.two)", "Other", "y"},
      {kHkcr, R"(noext)"},
      {kHkcu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.noclass\OpenWithList)"},
      {kHkcu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.ok)"},
      {kHkcu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.sub\OpenWithList)"}},
     {},
     {{".blank", R"(HKEY_CLASSES_ROOT\.blank)"},
      {".empty", R"(HKEY_CLASSES_ROOT\.empty)"},
      {"Orphan.File", R"(HKEY_CLASSES_ROOT\.orphan)"},
      {".noclass", std::string("HKEY_CURRENT_USER\\") + kFileExts + "\\.noclass"},
      {".ok", std::string("HKEY_CURRENT_USER\\") + kFileExts + "\\.ok"}},
     nullptr},
};

class ScannerFindings : public ScanTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ScannerFindings, ReportsExactlyTheBrokenEntriesInOrder) {
  const Case& c = GetParam();
  for (const Entry& e : c.registry) {
    if (e.name == nullptr) {
      sys->AddKey(e.root, U(e.path));
    } else if (e.type == platform::kRegDword) {
      sys->SetDword(e.root, U(e.path), U(e.name), 0);
    } else if (e.type == platform::kRegBinary) {
      sys->SetValue(e.root, U(e.path), U(e.name), {platform::kRegBinary, {1, 2, 3}});
    } else {
      sys->SetString(e.root, U(e.path), U(e.name), U(e.text), e.type);
    }
  }
  for (const char* file : c.files) sys->AddFile(U(file));
  sys->SetEnv(u"ProgramFiles", u"C:\\Program Files");
  sys->SetEnv(u"SystemRoot", u"C:\\Windows");
  sys->SetSpecialFolder(platform::kCsidlStartMenu, u"C:\\Me\\Start Menu");
  sys->SetSpecialFolder(platform::kCsidlCommonStartMenu, u"C:\\All\\Start Menu");

  engine->items(c.type).clear();
  for (ScannerFn pass : c.passes) pass(*engine, &recorder);

  EXPECT_EQ(Findings(c.type), c.expected);
  std::vector<std::u16string> sources;
  for (const Finding& f : c.expected) {
    sources.push_back(c.icon_source ? U(c.icon_source) : U(f.key.substr(f.key.rfind('\\') + 1)));
  }
  ExpectWellFormed(c.type, sources);
  if (c.icon_source) {
    for (const auto& item : Items(c.type)) EXPECT_NE(item.icon, 0u);
  }
  // Every key the scanner opened is closed again.
  EXPECT_EQ(sys->memory().OpenHandleCount(), 0u);
  // A run without a listener finds the same.
  engine->items(c.type).clear();
  for (ScannerFn pass : c.passes) pass(*engine, nullptr);
  EXPECT_EQ(Findings(c.type), c.expected);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ScannerFindings, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return "Type" + std::to_string(info.param.type); });

}  // namespace
}  // namespace clarivo_test
