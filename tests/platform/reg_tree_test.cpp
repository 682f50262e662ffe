// A key's values may lie in its hive's arena; every change to the list must
// keep each value whole wherever the list moves to.
#include "platform/reg_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"

namespace platform {
namespace {

RegTreeValue Value(const std::u16string& name, std::uint8_t byte) {
  // Names and bytes on the heap and in no arena, as values set later are.
  return RegTreeValue{name, kRegBinary, std::vector<std::uint8_t>(3, byte)};
}

std::u16string Names(const RegValueList& list) {
  std::u16string out;
  for (const RegTreeValue& v : list) out += std::u16string(v.name) + u',';
  return out;
}

TEST(RegValueListTest, ValuesInAnArenaStayWholeThroughEveryChange) {
  ByteArena arena;
  arena.Allocate(3);  // the next piece would not be aligned by itself
  std::vector<RegTreeValue> read;
  for (char16_t c : std::u16string(u"abc"))
    read.push_back(Value(std::u16string(1, c), static_cast<std::uint8_t>(c)));
  RegValueList list;
  list.AssignIn(arena, read);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(list.data()) % alignof(RegTreeValue), 0u);
  EXPECT_EQ(list.capacity(), 3u);

  RegValueList copy = list;          // a copy of its own, on the heap
  list.push_back(Value(u"d", 'd'));  // grows out of the arena
  list.insert(list.begin() + 1, Value(u"x", 'x'));
  list.erase(list.begin() + 2);  // "b"
  list.emplace_back(list[0]);    // a copy of one of its own values
  EXPECT_EQ(Names(list), u"a,x,c,d,a,");
  EXPECT_EQ(list[2].data, std::vector<std::uint8_t>(3, 'c'));
  EXPECT_EQ(list.back().data, std::vector<std::uint8_t>(3, 'a'));
  EXPECT_EQ(Names(copy), u"a,b,c,");

  RegValueList moved = std::move(copy);
  EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move)
  moved.erase(moved.begin(), moved.end());
  EXPECT_TRUE(moved.empty());
  moved = {Value(u"y", 'y')};
  EXPECT_EQ(Names(moved), u"y,");

  // A second list in the arena keeps its own values as the first changes.
  std::vector<RegTreeValue> more{Value(u"m", 'm'), Value(u"n", 'n')};
  RegValueList other;
  other.AssignIn(arena, more);
  other.pop_back();
  other.push_back(Value(u"o", 'o'));
  EXPECT_EQ(Names(other), u"m,o,");
}

TEST(RegValueListTest, ARootWhoseValuesLieInItsOwnArenaIsFreedSafely) {
  // Its arena goes with its extra details; the values must go first.
  auto root = std::make_unique<RegNode>();
  root->Extra().arena = std::make_unique<ByteArena>();
  std::vector<RegTreeValue> read{Value(u"a", 1), Value(u"b", 2)};
  root->values.AssignIn(*root->extra->arena, read);
  RegNode* child = root->AddSubkey(u"Child", nullptr, root->extra->arena.get());
  std::vector<RegTreeValue> child_values{Value(u"c", 3)};
  child->values.AssignIn(*root->extra->arena, child_values);
  EXPECT_TRUE(root->RemoveValue(u"A"));
  EXPECT_EQ(Names(root->values), u"b,");
  root.reset();
}

}  // namespace
}  // namespace platform
