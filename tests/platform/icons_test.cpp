#include "platform/icons.h"

#include <gtest/gtest.h>

#include <set>

namespace platform {
namespace {

TEST(Icons, HandlesAreDistinctNonZeroAndNameTheExtensionsIcon) {
  const std::uint32_t dll = CreateExtensionIcon(u".dll");
  const std::uint32_t dll_again = CreateExtensionIcon(u".DLL");
  const std::uint32_t exe = CreateExtensionIcon(u".exe");
  const std::uint32_t odd = CreateExtensionIcon(u".no-such-extension-anywhere");
  const std::set<std::uint32_t> handles = {dll, dll_again, exe, odd};
  EXPECT_EQ(handles.size(), 4u);
  EXPECT_EQ(handles.count(0), 0u);

  EXPECT_EQ(IconName(dll), IconName(dll_again)) << "extensions compare without case";
  EXPECT_NE(IconName(dll), IconName(exe));
  EXPECT_EQ(IconName(odd), "application-octet-stream");

  EXPECT_TRUE(DestroyIcon(dll));
  EXPECT_FALSE(DestroyIcon(dll)) << "a handle is freed once";
  EXPECT_EQ(IconName(dll), "");
  EXPECT_EQ(IconName(dll_again), "application-x-sharedlib");
  for (std::uint32_t h : {dll_again, exe, odd}) EXPECT_TRUE(DestroyIcon(h));
}

TEST(Icons, NoExtensionGivesNoHandle) {
  EXPECT_EQ(CreateExtensionIcon(u""), 0u);
  EXPECT_EQ(CreateExtensionIcon(u"."), 0u);
  EXPECT_EQ(CreateExtensionIcon(u"dll"), 0u);
  EXPECT_FALSE(DestroyIcon(0));
}

}  // namespace
}  // namespace platform
