// The routines every scanner and fixer leans on: path extraction, the
// 260-unit buffers, the icon cache, progress arithmetic, findings, backup folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/engine_state.h"
#include "engine/scan_support.h"
#include "platform/icons.h"
#include "platform/text.h"
#include "tests/engine/fake_system.h"

namespace clarivo_test {
namespace {

using Function::CRegEngine;
using platform::kClassesRoot;
using platform::kCurrentUser;

struct ExtractCase {
  const char16_t* input;
  const char16_t* expected;  // null: the text holds no usable path
};

TEST(ExtractFilePath, TurnsCommandLinesAndIconReferencesIntoPaths) {
  const ExtractCase cases[] = {
      {uR"("C:\Program Files\App\app.exe" "%1")", uR"(C:\Program Files\App\app.exe)"},
      {uR"(C:\WINDOWS\system32\rundll32.exe shell32.dll,Control_RunDLL)",
       uR"(C:\WINDOWS\system32\rundll32.exe)"},
      {uR"(@C:\WINDOWS\system32\shell32.dll,-4)", uR"(C:\WINDOWS\system32\shell32.dll)"},
      {u"%1", nullptr},
      {u"notepad.exe %1", nullptr},
      {uR"(C:\My Files\my app.exe)", uR"(C:\My Files\my app.exe)"},
      {uR"(C:\a\b.exe)", uR"(C:\a\b.exe)"},
      {uR"(X C:\a\b.exe /s)", uR"(C:\a\b.exe)"},
      {uR"(C:\a.b\c)", nullptr},
      {uR"(C:\a\b.exe D:\c.txt)", nullptr},
      {uR"(:\a.exe)", nullptr},
      {uR"(C:\a\b.exe,1)", uR"(C:\a\b.exe)"},
      {uR"(C:\a\b.exe -x)", uR"(C:\a\b.exe)"},
      {uR"(C:\a\b.dll,-101)", uR"(C:\a\b.dll)"},
      {u"", nullptr},
      // Markers are cut in a fixed order, each removing everything after it.
      {uR"(C:\a\b.exe/x)", uR"(C:\a\b.exe)"},
      {uR"(C:\a\b%x.exe)", uR"(C:\a\b)"},
      {uR"(C:\dir -x\b.exe)", uR"(C:\dir)"},
  };
  for (const ExtractCase& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.input));
    const std::optional<std::u16string> result = Function::ExtractFilePath(c.input);
    if (c.expected == nullptr) {
      EXPECT_FALSE(result.has_value());
    } else {
      ASSERT_TRUE(result.has_value());
      EXPECT_EQ(*result, c.expected);
    }
  }
}

TEST(ExtractFilePath, BoundsItsOutputByTheCapacityAndReportsTheLength) {
  char16_t out[8];
  std::uint32_t capacity = 8;
  ASSERT_EQ(Function::ExtractFilePath(out, uR"("C:\folder\b.exe" /x)", &capacity), 1);
  EXPECT_EQ(capacity, 7u);  // cut to the buffer, terminator kept
  EXPECT_EQ(std::u16string(out), uR"(C:\fold)");

  capacity = 0;
  EXPECT_EQ(Function::ExtractFilePath(out, uR"(C:\a\b.exe)", &capacity), 0);
}

class SupportTest : public ::testing::Test {
 protected:
  SupportTest() {
    auto fake = std::make_unique<FakeSystem>();
    sys = fake.get();
    engine = std::make_unique<CRegEngine>(std::move(fake));
  }
  platform::Registry* registry() { return engine->registry(); }

  FakeSystem* sys;
  std::unique_ptr<CRegEngine> engine;
};

TEST_F(SupportTest, EnumerationSkipsNamesAndDataThatDoNotFitTheBuffers) {
  const std::u16string fits(259, u'a');
  const std::u16string too_long(260, u'b');
  sys->AddKey(kCurrentUser, u"T\\" + fits);
  sys->AddKey(kCurrentUser, u"T\\" + too_long);
  sys->SetString(kCurrentUser, u"T", fits, u"x");
  sys->SetString(kCurrentUser, u"T", too_long, u"x");
  sys->SetString(kCurrentUser, u"T", u"big", std::u16string(260, u'd'));   // 522 bytes with NUL
  sys->SetString(kCurrentUser, u"T", u"full", std::u16string(259, u'e'));  // 520 bytes with NUL

  Function::ScopedKey key(registry(), kCurrentUser, u"T");
  ASSERT_TRUE(key);
  ASSERT_EQ(Function::CountSubKeys(registry(), key.get()), 2u);
  EXPECT_EQ(Function::EnumSubKeyName(registry(), key.get(), 0), fits);
  EXPECT_FALSE(Function::EnumSubKeyName(registry(), key.get(), 1).has_value());
  EXPECT_FALSE(Function::EnumSubKeyName(registry(), key.get(), 2).has_value());

  ASSERT_EQ(Function::CountValues(registry(), key.get()), 4u);
  EXPECT_EQ(Function::EnumValueName(registry(), key.get(), 0), fits);
  EXPECT_FALSE(Function::EnumValueName(registry(), key.get(), 1).has_value());
  std::u16string name;
  platform::RegValue data;
  EXPECT_FALSE(Function::EnumValueWithData(registry(), key.get(), 2, &name, &data));
  EXPECT_TRUE(Function::EnumValueWithData(registry(), key.get(), 3, &name, &data));
  EXPECT_EQ(name, u"full");

  std::u16string text;
  EXPECT_FALSE(Function::ReadStringValue(registry(), key.get(), u"big", &text));
  EXPECT_TRUE(Function::ReadStringValue(registry(), key.get(), u"full", &text));
  EXPECT_EQ(text.size(), 259u);

  Function::ScopedKey missing(registry(), kCurrentUser, u"T\\none");
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.status(), platform::kRegNotFound);
  EXPECT_EQ(Function::CountSubKeys(registry(), missing.get()), 0u);
}

TEST_F(SupportTest, PathValuesExpandOnlyExpandableText) {
  sys->SetEnv(u"ProgramFiles", uR"(C:\Program Files)");
  sys->SetString(kClassesRoot, u"a\\DefaultIcon", u"", uR"(%ProgramFiles%\A\a.exe,0)",
                 platform::kRegExpandSz);
  sys->SetString(kClassesRoot, u"b\\DefaultIcon", u"", uR"(%ProgramFiles%\B\b.exe,0)", platform::kRegSz);
  sys->SetString(kClassesRoot, u"c\\DefaultIcon", u"", u"%1");

  Function::ScopedKey a(registry(), kClassesRoot, u"a\\DefaultIcon");
  const auto expanded = Function::ReadPathValue(*engine, a.get());
  ASSERT_TRUE(expanded.has_value());
  EXPECT_EQ(expanded->text, uR"(C:\Program Files\A\a.exe,0)");
  EXPECT_EQ(expanded->path, uR"(C:\Program Files\A\a.exe)");

  // Plain text keeps its %NAME%, which cuts the path before any drive.
  Function::ScopedKey b(registry(), kClassesRoot, u"b\\DefaultIcon");
  EXPECT_FALSE(Function::ReadPathValue(*engine, b.get()).has_value());
  Function::ScopedKey c(registry(), kClassesRoot, u"c\\DefaultIcon");
  EXPECT_FALSE(Function::ReadPathValue(*engine, c.get()).has_value());
}

TEST_F(SupportTest, ExtensionIconsComeFromTheCacheOncePerExtension) {
  // A dot inside a folder name is no extension, and nothing is cached for it.
  EXPECT_EQ(Function::GetExtensionIcon(*engine, uR"(C:\dir.d\file)"), 0u);
  EXPECT_EQ(Function::GetExtensionIcon(*engine, u"noext"), 0u);
  EXPECT_TRUE(engine->icon_cache.empty());

  const std::uint32_t dll = Function::GetExtensionIcon(*engine, u".dll");
  ASSERT_NE(dll, 0u);
  // Asking the shell again would issue a new handle: the same one proves the cache answered.
  EXPECT_EQ(Function::GetExtensionIcon(*engine, uR"(C:\x\y.dll)"), dll);
  EXPECT_EQ(engine->icon_cache.size(), 1u);
  // Extensions compare code unit by code unit.
  EXPECT_NE(Function::GetExtensionIcon(*engine, u".DLL"), dll);
  EXPECT_EQ(engine->icon_cache.size(), 2u);
}

TEST_F(SupportTest, ExtensionIconCacheStopsAskingWhenFull) {
  const std::uint32_t dll = Function::GetExtensionIcon(*engine, u".dll");
  for (std::size_t i = engine->icon_cache.size(); i < Function::kIconCacheLimit; ++i) {
    Function::GetExtensionIcon(*engine, u".x" + platform::ToUtf16(std::to_string(i)));
  }
  ASSERT_EQ(engine->icon_cache.size(), Function::kIconCacheLimit);
  EXPECT_EQ(Function::GetExtensionIcon(*engine, u".exe"), 0u);
  EXPECT_EQ(engine->icon_cache.size(), Function::kIconCacheLimit);
  EXPECT_EQ(Function::GetExtensionIcon(*engine, u".dll"), dll);

  // The same extension is named by a live icon in a fresh engine.
  CRegEngine fresh(nullptr);
  EXPECT_NE(Function::GetExtensionIcon(fresh, u".exe"), 0u);
}

TEST_F(SupportTest, EndingTheEngineDestroysItsIcons) {
  const std::uint32_t icon = Function::GetExtensionIcon(*engine, u".ocx");
  ASSERT_NE(icon, 0u);
  ASSERT_FALSE(platform::IconName(icon).empty());
  engine.reset();
  EXPECT_TRUE(platform::IconName(icon).empty());
}

TEST_F(SupportTest, BackupFolderAlwaysEndsInOneBackslash) {
  sys->SetSpecialFolder(platform::kCsidlAppData, uR"(C:\users\me\AppData\Roaming)");
  EXPECT_EQ(Function::GetBackupFolder(*engine, uR"(D:\backup)"), uR"(D:\backup\)");
  EXPECT_EQ(Function::GetBackupFolder(*engine, uR"(D:\backup\)"), uR"(D:\backup\)");
  EXPECT_EQ(Function::GetBackupFolder(*engine, nullptr), uR"(C:\users\me\AppData\Roaming\)");
  EXPECT_EQ(Function::GetBackupFolder(*engine, u""), u"");

  sys->SetSpecialFolder(platform::kCsidlAppData, uR"(C:\data\)");
  EXPECT_EQ(Function::GetBackupFolder(*engine, nullptr), uR"(C:\data\)");
  // No application-data folder: no place to build a file name on.
  sys->SetSpecialFolder(platform::kCsidlAppData, u"");
  EXPECT_EQ(Function::GetBackupFolder(*engine, nullptr), u"");
}

TEST(ProgressCounter, ReportsRunningPercentInIntegerSteps) {
  RecordingCallback callback;
  Function::ProgressCounter counter(6, &callback, 3);
  counter.Report(u"a", 0);
  counter.Skip();
  counter.Report(u"c", 1);
  const std::vector<Report> expected = {{6, u"a", 33, 0}, {6, u"c", 100, 1}};
  EXPECT_EQ(callback.reports, expected);

  Function::ProgressCounter silent(6, nullptr, 3);
  silent.Report(u"a", 0);  // no callback: nothing to call, no crash
}

TEST_F(SupportTest, FindingsAreSelectedFittedAndPublished) {
  const std::u16string long_name(300, u'n');
  ASSERT_TRUE(Function::AddFinding(*engine, 4, long_name, u"HKEY_CURRENT_USER\\k", 0, 7));
  // A cut key text would send the fixer to another key: such a finding is left out.
  EXPECT_FALSE(
      Function::AddFinding(*engine, 4, u"n", u"HKEY_CURRENT_USER\\" + std::u16string(250, u'k'), 1, 0));

  const Function::RegProblemList* list = engine->Publish(4);
  ASSERT_EQ(list->count, 1);
  const Function::RegProblemItem& item = (*list)[0];
  EXPECT_EQ(item.type, 4);
  EXPECT_EQ(item.selected, 1);
  EXPECT_EQ(item.icon, 7u);
  EXPECT_EQ(std::u16string(item.name), std::u16string(259, u'n'));
  EXPECT_EQ(item.name[259], u'\0');

  // The list the caller holds follows the vector when it grows.
  for (int i = 1; i < 100; ++i) Function::AddFinding(*engine, 4, u"n", u"k", i, 0);
  EXPECT_EQ(list->count, 100);
  EXPECT_EQ(list->items, engine->items(4).data());
  EXPECT_EQ(list->items[99].index, 99);
}

}  // namespace
}  // namespace clarivo_test
