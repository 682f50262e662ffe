#include "platform/memory_registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/text.h"

namespace platform {
namespace {

std::vector<std::u16string> SubkeyNames(Registry& reg, RegKey key) {
  std::vector<std::u16string> names;
  std::u16string name;
  for (std::uint32_t i = 0; reg.EnumKey(key, i, &name) == kRegOk; ++i) names.push_back(name);
  return names;
}

std::vector<std::u16string> ValueNames(Registry& reg, RegKey key) {
  std::vector<std::u16string> names;
  std::u16string name;
  for (std::uint32_t i = 0; reg.EnumValue(key, i, &name, nullptr) == kRegOk; ++i) names.push_back(name);
  return names;
}

class MemoryRegistryTest : public ::testing::Test {
 protected:
  RegKey Create(RegKey root, std::u16string_view path) {
    RegKey key = 0;
    EXPECT_EQ(reg_.CreateKey(root, path, &key), kRegOk);
    return key;
  }
  MemoryRegistry reg_;
};

TEST_F(MemoryRegistryTest, NamesMatchWithoutCaseAndKeepTheirStoredCase) {
  RegKey k = Create(kLocalMachine, u"Software\\Vendor\\MyApp");
  ASSERT_EQ(reg_.SetValue(k, u"InstallDir", MakeSz(u"C:\\x")), kRegOk);
  reg_.CloseKey(k);

  RegKey opened = 0;
  ASSERT_EQ(reg_.OpenKey(kLocalMachine, u"SOFTWARE\\vendor\\MYAPP", &opened), kRegOk);
  RegValue v;
  ASSERT_EQ(reg_.QueryValue(opened, u"installdir", &v), kRegOk);
  EXPECT_EQ(RegSzText(v), u"C:\\x");
  // Creating again with other case reuses the key and keeps the first spelling.
  RegKey again = Create(kLocalMachine, u"software\\VENDOR");
  EXPECT_EQ(SubkeyNames(reg_, again), std::vector<std::u16string>{u"MyApp"});
  EXPECT_EQ(ValueNames(reg_, opened), std::vector<std::u16string>{u"InstallDir"});
  // Setting a value under another case replaces it in place.
  ASSERT_EQ(reg_.SetValue(opened, u"INSTALLDIR", MakeDword(7)), kRegOk);
  EXPECT_EQ(ValueNames(reg_, opened), std::vector<std::u16string>{u"InstallDir"});
  ASSERT_EQ(reg_.QueryValue(opened, u"InstallDir", &v), kRegOk);
  EXPECT_EQ(v, MakeDword(7));

  RegKey missing = 0;
  EXPECT_EQ(reg_.OpenKey(kLocalMachine, u"Software\\Vendor\\Other", &missing), kRegNotFound);
  EXPECT_EQ(reg_.QueryValue(opened, u"Nope", &v), kRegNotFound);
}

TEST_F(MemoryRegistryTest, EnumeratesSubkeysInNameOrderAndValuesInStoredOrder) {
  for (auto name : {u"beta", u"Alpha", u"_under", u"gamma", u"ALPHA2", u"\u00e9t\u00e9"}) {
    reg_.CloseKey(Create(kCurrentUser, std::u16string(u"Root\\") + name));
  }
  RegKey root = Create(kCurrentUser, u"Root");
  // Lower-case folding puts '_' before the letters, as wineserver orders keys.
  EXPECT_EQ(SubkeyNames(reg_, root), (std::vector<std::u16string>{u"_under", u"Alpha", u"ALPHA2", u"beta",
                                                                  u"gamma", u"\u00e9t\u00e9"}));
  std::u16string name;
  EXPECT_EQ(reg_.EnumKey(root, 6, &name), kRegNoMoreItems);

  for (auto name : {u"z", u"a", u"m", u""}) ASSERT_EQ(reg_.SetValue(root, name, MakeSz(name)), kRegOk);
  EXPECT_EQ(ValueNames(reg_, root), (std::vector<std::u16string>{u"z", u"a", u"m", u""}));
  RegValue v;
  ASSERT_EQ(reg_.EnumValue(root, 1, &name, &v), kRegOk);
  EXPECT_EQ(RegSzText(v), u"a");
  EXPECT_EQ(reg_.EnumValue(root, 4, &name, &v), kRegNoMoreItems);
  std::uint32_t subkeys = 0, values = 0;
  ASSERT_EQ(reg_.QueryInfo(root, &subkeys, &values), kRegOk);
  EXPECT_EQ(subkeys, 6u);
  EXPECT_EQ(values, 4u);
}

TEST_F(MemoryRegistryTest, DefaultValueHasTheEmptyName) {
  RegKey k = Create(kLocalMachine, u"Software\\Classes\\.txt");
  RegValue v;
  EXPECT_EQ(reg_.QueryValue(k, u"", &v), kRegNotFound);
  ASSERT_EQ(reg_.SetValue(k, u"", MakeSz(u"txtfile")), kRegOk);
  ASSERT_EQ(reg_.QueryValue(k, u"", &v), kRegOk);
  EXPECT_EQ(v.type, kRegSz);
  EXPECT_EQ(RegSzText(v), u"txtfile");
  ASSERT_EQ(reg_.DeleteValue(k, u""), kRegOk);
  EXPECT_EQ(reg_.QueryValue(k, u"", &v), kRegNotFound);
  EXPECT_EQ(reg_.DeleteValue(k, u""), kRegNotFound);
}

TEST_F(MemoryRegistryTest, HandlesToDeletedKeysFailInsteadOfDangling) {
  RegKey app = Create(kLocalMachine, u"Software\\App");
  RegKey child = Create(kLocalMachine, u"Software\\App\\Sub\\Deep");
  RegKey sibling = Create(kLocalMachine, u"Software\\Application");
  ASSERT_EQ(reg_.DeleteTree(kLocalMachine, u"software\\app"), kRegOk);

  std::uint32_t n = 0;
  EXPECT_EQ(reg_.QueryInfo(app, &n, nullptr), kRegNotFound);
  EXPECT_EQ(reg_.QueryInfo(child, &n, nullptr), kRegNotFound);
  EXPECT_EQ(reg_.SetValue(child, u"x", MakeDword(1)), kRegNotFound);
  EXPECT_EQ(reg_.QueryInfo(sibling, &n, nullptr), kRegOk);
  // Recreating the key does not revive the old handle.
  reg_.CloseKey(Create(kLocalMachine, u"Software\\App\\Sub\\Deep"));
  EXPECT_EQ(reg_.QueryInfo(child, &n, nullptr), kRegNotFound);

  EXPECT_EQ(reg_.DeleteTree(kLocalMachine, u"Software\\App\\Missing"), kRegNotFound);
  EXPECT_EQ(reg_.QueryInfo(0x1234567, &n, nullptr), kRegInvalidHandle);
  for (RegKey k : {app, child, sibling}) reg_.CloseKey(k);
  EXPECT_EQ(reg_.OpenHandleCount(), 0u);
}

TEST_F(MemoryRegistryTest, DeleteTreeWithEmptyPathRemovesTheKeyButNeverARoot) {
  RegKey k = Create(kCurrentUser, u"Software\\Gone");
  reg_.CloseKey(Create(kCurrentUser, u"Software\\Gone\\Child"));
  ASSERT_EQ(reg_.DeleteTree(k, u""), kRegOk);
  RegKey probe = 0;
  EXPECT_EQ(reg_.OpenKey(kCurrentUser, u"Software\\Gone", &probe), kRegNotFound);
  EXPECT_EQ(reg_.OpenKey(kCurrentUser, u"Software", &probe), kRegOk);
  for (RegKey root : {kCurrentUser, kLocalMachine, kClassesRoot})
    EXPECT_EQ(reg_.DeleteTree(root, u""), kRegAccessDenied);
}

TEST_F(MemoryRegistryTest, ClassesRootShowsMachineClasses) {
  RegKey key = 0;
  std::u16string name;
  std::uint32_t n = 99;
  // No Software\Classes yet: the root opens, is empty, and opening it creates nothing.
  EXPECT_EQ(reg_.OpenKey(kClassesRoot, u"", &key), kRegOk);
  EXPECT_EQ(reg_.EnumKey(kClassesRoot, 0, &name), kRegNoMoreItems);
  EXPECT_EQ(reg_.QueryInfo(kClassesRoot, &n, nullptr), kRegOk);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(reg_.OpenKey(kClassesRoot, u".txt", &key), kRegNotFound);
  EXPECT_EQ(reg_.OpenKey(kLocalMachine, u"Software", &key), kRegNotFound);

  reg_.CloseKey(Create(kClassesRoot, u".txt"));
  ASSERT_EQ(reg_.OpenKey(kLocalMachine, u"SOFTWARE\\CLASSES\\.TXT", &key), kRegOk);
  ASSERT_EQ(reg_.SetValue(key, u"", MakeSz(u"txtfile")), kRegOk);
  RegKey via_hkcr = 0;
  ASSERT_EQ(reg_.OpenKey(kClassesRoot, u".txt", &via_hkcr), kRegOk);
  RegValue v;
  ASSERT_EQ(reg_.QueryValue(via_hkcr, u"", &v), kRegOk);
  EXPECT_EQ(RegSzText(v), u"txtfile");
  EXPECT_EQ(SubkeyNames(reg_, kClassesRoot), std::vector<std::u16string>{u".txt"});
  // The user's classes are not merged in.
  reg_.CloseKey(Create(kCurrentUser, u"Software\\Classes\\.user"));
  EXPECT_EQ(SubkeyNames(reg_, kClassesRoot), std::vector<std::u16string>{u".txt"});

  ASSERT_EQ(reg_.DeleteTree(kClassesRoot, u".txt"), kRegOk);
  EXPECT_EQ(reg_.QueryValue(key, u"", &v), kRegNotFound);
  EXPECT_EQ(reg_.OpenKey(kLocalMachine, u"Software\\Classes\\.txt", &key), kRegNotFound);
}

TEST_F(MemoryRegistryTest, ClassesRootFollowsChangesToItsMachineKey) {
  reg_.CloseKey(Create(kLocalMachine, u"Software\\Classes\\.old"));
  RegKey key = 0;
  ASSERT_EQ(reg_.OpenKey(kClassesRoot, u".old", &key), kRegOk);
  reg_.CloseKey(key);
  // Removed below HKEY_CLASSES_ROOT's back: it is empty, and a new tree shows.
  ASSERT_EQ(reg_.DeleteTree(kLocalMachine, u"Software\\Classes"), kRegOk);
  EXPECT_EQ(reg_.OpenKey(kClassesRoot, u".old", &key), kRegNotFound);
  EXPECT_EQ(SubkeyNames(reg_, kClassesRoot), std::vector<std::u16string>{});
  reg_.CloseKey(Create(kLocalMachine, u"Software\\Classes\\.new"));
  EXPECT_EQ(SubkeyNames(reg_, kClassesRoot), std::vector<std::u16string>{u".new"});
  // Replaced by a link: HKEY_CLASSES_ROOT shows the link's target.
  ASSERT_EQ(reg_.DeleteTree(kLocalMachine, u"Software\\Classes"), kRegOk);
  reg_.CloseKey(Create(kLocalMachine, u"Software\\Elsewhere\\.linked"));
  ASSERT_EQ(reg_.CreateLink(kLocalMachine, u"Software\\Classes", u"\\Registry\\Machine\\Software\\Elsewhere"),
            kRegOk);
  EXPECT_EQ(SubkeyNames(reg_, kClassesRoot), std::vector<std::u16string>{u".linked"});
}

TEST_F(MemoryRegistryTest, OpensRightSubkeyAfterEnumerationAndDeletion) {
  for (const char16_t* name : {u"a", u"b", u"c", u"d", u"e"}) {
    RegKey k = Create(kCurrentUser, std::u16string(u"K\\") + name);
    ASSERT_EQ(reg_.SetValue(k, u"", MakeSz(name)), kRegOk);
    reg_.CloseKey(k);
  }
  RegKey parent = Create(kCurrentUser, u"K");
  auto text_of = [&](std::u16string_view path) -> std::u16string {
    RegKey k = 0;
    if (reg_.OpenKey(parent, path, &k) != kRegOk) return u"(none)";
    RegValue v;
    reg_.QueryValue(k, u"", &v);
    reg_.CloseKey(k);
    return RegSzText(v);
  };
  std::u16string name;
  ASSERT_EQ(reg_.EnumKey(parent, 2, &name), kRegOk);
  EXPECT_EQ(name, u"c");
  // The enumerated key, its neighbours, other case, and keys far from it.
  EXPECT_EQ(text_of(u"c"), u"c");
  EXPECT_EQ(text_of(u"D"), u"d");
  EXPECT_EQ(text_of(u"b"), u"b");
  EXPECT_EQ(text_of(u"a"), u"a");
  EXPECT_EQ(text_of(u"e"), u"e");
  EXPECT_EQ(text_of(u"cc"), u"(none)");
  ASSERT_EQ(reg_.EnumKey(parent, 4, &name), kRegOk);
  ASSERT_EQ(reg_.DeleteTree(parent, u"c"), kRegOk);
  EXPECT_EQ(text_of(u"c"), u"(none)");
  EXPECT_EQ(text_of(u"e"), u"e");
  EXPECT_EQ(text_of(u"d"), u"d");
  reg_.CloseKey(parent);
}

// Keys of all trees share one store: many keys, trees dropped and built
// around a living one, and a store emptied and filled again.
TEST(MemoryRegistryStoreTest, TreesKeepTheirKeysWhileOthersComeAndGo) {
  constexpr int kKeys = 150000;  // more than one block of the store
  auto name = [](const char* prefix, int i) {
    char text[16];
    std::snprintf(text, sizeof text, "%s%06d", prefix, i);  // in order: each key is appended
    return ToUtf16(text);
  };
  auto fill = [&](MemoryRegistry& reg, std::u16string_view top) {
    RegKey parent = 0;
    ASSERT_EQ(reg.CreateKey(kCurrentUser, top, &parent), kRegOk);
    for (int i = 0; i < kKeys; ++i) {
      RegKey k = 0;
      ASSERT_EQ(reg.CreateKey(parent, name("k", i), &k), kRegOk);
      reg.CloseKey(k);
    }
    reg.CloseKey(parent);
  };
  auto check = [&](MemoryRegistry& reg, std::u16string_view top) {
    RegKey parent = 0;
    ASSERT_EQ(reg.OpenKey(kCurrentUser, top, &parent), kRegOk);
    std::uint32_t n = 0;
    ASSERT_EQ(reg.QueryInfo(parent, &n, nullptr), kRegOk);
    EXPECT_EQ(n, static_cast<std::uint32_t>(kKeys));
    for (int i : {0, 1, 77777, kKeys - 1}) {
      RegKey k = 0;
      EXPECT_EQ(reg.OpenKey(parent, name("K", i), &k), kRegOk) << i;
      reg.CloseKey(k);
    }
    reg.CloseKey(parent);
  };
  {
    MemoryRegistry kept;
    fill(kept, u"Kept");
    {
      MemoryRegistry passing;
      fill(passing, u"Passing");
      ASSERT_EQ(passing.DeleteTree(kCurrentUser, u"Passing"), kRegOk);
      fill(passing, u"Again");
      check(passing, u"Again");
    }
    check(kept, u"Kept");
  }
  MemoryRegistry fresh;
  fill(fresh, u"Fresh");
  check(fresh, u"Fresh");
}

TEST_F(MemoryRegistryTest, NamesOfEveryLengthKeepTheirText) {
  // Around the length kept inside a key (a braced GUID), and far beyond it.
  std::vector<std::u16string> names;
  for (std::size_t length : {2u, 37u, 38u, 39u, 300u}) {
    std::u16string name(length, u'x');
    name[0] = static_cast<char16_t>(u'A' + names.size());
    name.back() = u'\u00e9';
    names.push_back(name);
    reg_.CloseKey(Create(kCurrentUser, u"Names\\" + name));
  }
  RegKey parent = Create(kCurrentUser, u"Names");
  EXPECT_EQ(SubkeyNames(reg_, parent), names);
  for (std::u16string name : names) {
    for (char16_t& c : name) c = FoldCase(c);
    RegKey k = 0;
    EXPECT_EQ(reg_.OpenKey(parent, name, &k), kRegOk) << name.size();
    reg_.CloseKey(k);
  }
  reg_.CloseKey(parent);
}

TEST_F(MemoryRegistryTest, LinksAreFollowedAndDeletedWithoutTheirTarget) {
  RegKey target = Create(kLocalMachine, u"Software\\Classes\\CLSID\\{1}");
  ASSERT_EQ(reg_.SetValue(target, u"", MakeSz(u"real")), kRegOk);
  ASSERT_EQ(reg_.CreateLink(kLocalMachine, u"Software\\Classes\\Wow6432Node\\CLSID",
                            u"\\REGISTRY\\Machine\\Software\\Classes\\CLSID"),
            kRegOk);

  // Through the link and onto it.
  RegKey through = 0;
  ASSERT_EQ(reg_.OpenKey(kClassesRoot, u"wow6432node\\clsid\\{1}", &through), kRegOk);
  RegValue v;
  ASSERT_EQ(reg_.QueryValue(through, u"", &v), kRegOk);
  EXPECT_EQ(RegSzText(v), u"real");
  RegKey onto = 0;
  ASSERT_EQ(reg_.OpenKey(kClassesRoot, u"Wow6432Node\\CLSID", &onto), kRegOk);
  EXPECT_EQ(SubkeyNames(reg_, onto), std::vector<std::u16string>{u"{1}"});
  // The parent lists the link under its own name.
  RegKey wow = 0;
  ASSERT_EQ(reg_.OpenKey(kClassesRoot, u"Wow6432Node", &wow), kRegOk);
  EXPECT_EQ(SubkeyNames(reg_, wow), std::vector<std::u16string>{u"CLSID"});

  // Deleting through a handle opened on the link removes the link only.
  ASSERT_EQ(reg_.DeleteTree(onto, u""), kRegOk);
  EXPECT_EQ(SubkeyNames(reg_, wow), std::vector<std::u16string>{});
  EXPECT_EQ(reg_.QueryValue(target, u"", &v), kRegOk);
  EXPECT_EQ(reg_.QueryValue(through, u"", &v), kRegOk);

  // And by path.
  ASSERT_EQ(reg_.CreateLink(kClassesRoot, u"Alias", u"\\Registry\\Machine\\Software\\Classes\\CLSID"),
            kRegOk);
  ASSERT_EQ(reg_.DeleteTree(kClassesRoot, u"Alias"), kRegOk);
  RegKey check = 0;
  EXPECT_EQ(reg_.OpenKey(kClassesRoot, u"CLSID\\{1}", &check), kRegOk);
  EXPECT_EQ(reg_.OpenKey(kClassesRoot, u"Alias", &check), kRegNotFound);

  // A user link resolves into the current user's tree; loops and dangling links fail.
  reg_.CloseKey(Create(kCurrentUser, u"Software\\Mine"));
  ASSERT_EQ(reg_.CreateLink(kLocalMachine, u"UserLink", u"\\Registry\\User\\S-1-5-21-1\\Software"), kRegOk);
  EXPECT_EQ(reg_.OpenKey(kLocalMachine, u"UserLink\\Mine", &check), kRegOk);
  ASSERT_EQ(reg_.CreateLink(kLocalMachine, u"Loop", u"\\Registry\\Machine\\Loop"), kRegOk);
  EXPECT_EQ(reg_.OpenKey(kLocalMachine, u"Loop", &check), kRegNotFound);
  ASSERT_EQ(reg_.CreateLink(kLocalMachine, u"Dangling", u"\\Registry\\Machine\\Nowhere"), kRegOk);
  EXPECT_EQ(reg_.OpenKey(kLocalMachine, u"Dangling", &check), kRegNotFound);
  EXPECT_EQ(reg_.DeleteTree(kLocalMachine, u"Dangling"), kRegOk);
}

// A store that refuses changes and counts what it is told, as file backends do.
class ReadOnlyRegistry : public MemoryRegistry {
 public:
  bool locked = false;
  int changes = 0;

 protected:
  std::int32_t CheckWritable() override { return locked ? kRegAccessDenied : kRegOk; }
  void OnModified(Hive) override { ++changes; }
};

TEST(MemoryRegistryHooksTest, RefusedChangesLeaveTheTreeAlone) {
  ReadOnlyRegistry reg;
  RegKey k = 0;
  ASSERT_EQ(reg.CreateKey(kLocalMachine, u"Software\\A", &k), kRegOk);
  ASSERT_EQ(reg.SetValue(k, u"v", MakeDword(1)), kRegOk);
  EXPECT_GT(reg.changes, 0);
  reg.locked = true;
  int before = reg.changes;
  RegKey other = 0;
  EXPECT_EQ(reg.CreateKey(kLocalMachine, u"Software\\B", &other), kRegAccessDenied);
  EXPECT_EQ(reg.SetValue(k, u"v", MakeDword(2)), kRegAccessDenied);
  EXPECT_EQ(reg.DeleteValue(k, u"v"), kRegAccessDenied);
  EXPECT_EQ(reg.DeleteTree(kLocalMachine, u"Software\\A"), kRegAccessDenied);
  EXPECT_EQ(reg.changes, before);
  // Opening existing keys still works, also with CreateKey.
  EXPECT_EQ(reg.CreateKey(kLocalMachine, u"Software\\A", &other), kRegOk);
  RegValue v;
  ASSERT_EQ(reg.QueryValue(other, u"V", &v), kRegOk);
  EXPECT_EQ(v, MakeDword(1));
  EXPECT_EQ(reg.OpenKey(kLocalMachine, u"Software\\B", &other), kRegNotFound);
}

}  // namespace
}  // namespace platform
