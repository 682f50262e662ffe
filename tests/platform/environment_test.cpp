#include "platform/environment.h"

#include <gtest/gtest.h>

#include "platform/memory_registry.h"
#include "platform/special_folders.h"

namespace platform {
namespace {

void SetString(Registry& registry, RegKey root, std::u16string_view path, std::u16string_view name,
               std::u16string_view text, std::uint32_t type = kRegSz) {
  RegKey key = 0;
  ASSERT_EQ(registry.CreateKey(root, path, &key), kRegOk);
  ASSERT_EQ(registry.SetValue(key, name, MakeSz(text, type)), kRegOk);
  registry.CloseKey(key);
}

constexpr std::u16string_view kSessionEnv =
    u"System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::u16string_view kShell =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::u16string_view kUserShell =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The places a fresh Wine prefix keeps these values in.
void FillLikeWine(Registry& r) {
  SetString(r, kLocalMachine, u"Software\\Microsoft\\Windows NT\\CurrentVersion", u"SystemRoot",
            u"D:\\winnt");
  SetString(r, kLocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion", u"ProgramFilesDir",
            u"D:\\Program Files");
  SetString(r, kLocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion", u"ProgramFilesDir (x86)",
            u"D:\\Program Files (x86)");
  SetString(r, kLocalMachine, u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", u"ProgramData",
            u"%SystemDrive%\\ProgramData", kRegExpandSz);
  SetString(r, kLocalMachine,
            u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-0-0-0-1000",
            u"ProfileImagePath", u"D:\\users\\alice");
  SetString(r, kLocalMachine, kSessionEnv, u"windir", u"%SystemRoot%", kRegExpandSz);
  SetString(r, kLocalMachine, kSessionEnv, u"TEMP", u"%SystemRoot%\\temp", kRegExpandSz);
  SetString(r, kLocalMachine, kSessionEnv, u"Path", u"%SystemRoot%\\system32", kRegExpandSz);
  SetString(r, kLocalMachine, kSessionEnv, u"TOOLS", u"%MYDIR%\\bin", kRegExpandSz);
  SetString(r, kLocalMachine, kSessionEnv, u"MYDIR", u"D:\\tools");
  SetString(r, kCurrentUser, u"Environment", u"TEMP", u"D:\\users\\alice\\Temp");
  SetString(r, kCurrentUser, u"Environment", u"PATH", u"%USERPROFILE%\\bin", kRegExpandSz);
  SetString(r, kCurrentUser, kShell, u"AppData", u"D:\\users\\alice\\AppData\\Roaming");
}

TEST(Environment, DefaultsComeFromWhereTheSystemKeepsThem) {
  MemoryRegistry registry;
  FillLikeWine(registry);
  Environment env(registry);
  EXPECT_EQ(env.Get(u"SystemRoot"), u"D:\\winnt");
  EXPECT_EQ(env.Get(u"SystemDrive"), u"D:");
  EXPECT_EQ(env.Get(u"windir"), u"D:\\winnt");
  EXPECT_EQ(env.Get(u"ProgramFiles"), u"D:\\Program Files");
  EXPECT_EQ(env.Get(u"ProgramFiles(x86)"), u"D:\\Program Files (x86)");
  EXPECT_EQ(env.Get(u"CommonProgramFiles"), u"D:\\Program Files\\Common Files");
  EXPECT_EQ(env.Get(u"ProgramData"), u"D:\\ProgramData");
  EXPECT_EQ(env.Get(u"ALLUSERSPROFILE"), u"D:\\ProgramData");
  EXPECT_EQ(env.Get(u"USERPROFILE"), u"D:\\users\\alice");
  EXPECT_EQ(env.Get(u"USERNAME"), u"alice");
  EXPECT_EQ(env.Get(u"APPDATA"), u"D:\\users\\alice\\AppData\\Roaming");
  EXPECT_EQ(env.Get(u"LOCALAPPDATA"), u"D:\\users\\alice\\AppData\\Local");
  // The user's variables override the machine's, except Path, which extends it.
  EXPECT_EQ(env.Get(u"TEMP"), u"D:\\users\\alice\\Temp");
  EXPECT_EQ(env.Get(u"Path"), u"D:\\winnt\\system32;D:\\users\\alice\\bin");
  // An expandable value may use a plain one listed after it.
  EXPECT_EQ(env.Get(u"TOOLS"), u"D:\\tools\\bin");
}

TEST(Environment, EmptyRegistryStillHasTheUsualDefaults) {
  MemoryRegistry registry;
  Environment env(registry);
  EXPECT_EQ(env.Get(u"SystemRoot"), u"C:\\windows");
  EXPECT_EQ(env.Get(u"ProgramFiles"), u"C:\\Program Files");
  EXPECT_FALSE(env.Get(u"ProgramFiles(x86)"));  // a 32-bit system has none
  ASSERT_TRUE(env.Get(u"USERPROFILE"));
  EXPECT_EQ(env.Get(u"USERPROFILE")->rfind(u"C:\\users\\", 0), 0u);
  EXPECT_EQ(*env.Get(u"APPDATA"), *env.Get(u"USERPROFILE") + u"\\AppData\\Roaming");
}

TEST(Environment, ExpandsKnownNamesWithoutCaseAndKeepsTheRest) {
  Environment env;
  env.Set(u"SystemRoot", u"C:\\windows");
  env.Set(u"A", u"%SystemRoot%");  // a value is not expanded a second time
  EXPECT_EQ(env.Expand(u"%systemroot%\\system32\\%SYSTEMROOT%"), u"C:\\windows\\system32\\C:\\windows");
  EXPECT_EQ(env.Expand(u"%A%"), u"%SystemRoot%");
  EXPECT_EQ(env.Expand(u"%Unknown%\\x"), u"%Unknown%\\x");
  EXPECT_EQ(env.Expand(u"%Unknown%SystemRoot%"), u"%Unknown%SystemRoot%");
  EXPECT_EQ(env.Expand(u"100% sure"), u"100% sure");
  EXPECT_EQ(env.Expand(u"%%"), u"%%");
  EXPECT_EQ(env.Expand(u"a%"), u"a%");
  EXPECT_EQ(env.Expand(u""), u"");
}

TEST(SpecialFolders, ShellFoldersFirstThenUserShellFoldersExpanded) {
  MemoryRegistry registry;
  SetString(registry, kCurrentUser, kShell, u"Start Menu", u"C:\\users\\bob\\Start Menu\\");
  SetString(registry, kCurrentUser, kUserShell, u"Start Menu", u"%USERPROFILE%\\Ignored");
  SetString(registry, kCurrentUser, kUserShell, u"AppData", u"%USERPROFILE%\\AppData\\Roaming", kRegExpandSz);
  SetString(registry, kLocalMachine, kShell, u"Common Start Menu", u"C:\\ProgramData\\Start Menu");
  Environment env;
  env.Set(u"USERPROFILE", u"C:\\users\\bob");

  EXPECT_EQ(GetSpecialFolder(registry, env, 11), u"C:\\users\\bob\\Start Menu");
  EXPECT_EQ(GetSpecialFolder(registry, env, 22), u"C:\\ProgramData\\Start Menu");
  EXPECT_EQ(GetSpecialFolder(registry, env, 26), u"C:\\users\\bob\\AppData\\Roaming");
  // The per-user folders are not taken from the machine's keys.
  SetString(registry, kLocalMachine, kShell, u"Desktop", u"C:\\wrong");
  EXPECT_EQ(GetSpecialFolder(registry, env, 16), u"");
  EXPECT_EQ(GetSpecialFolder(registry, env, 9999), u"");
}

}  // namespace
}  // namespace platform
