#include "common/OwnedList.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/Command.h"

namespace {

std::vector<int> g_destroyed;

struct Tracked {
  explicit Tracked(int tag) : Tag(tag) {}
  Tracked(const Tracked& other) = default;
  virtual ~Tracked() { g_destroyed.push_back(Tag); }
  int Tag;
};

}  // namespace

TEST(OwnedList, HoldsCopiesNotTheCallersElement) {
  CommandList list;
  {
    Command mine("Письмо", "mailto:a@example.org");
    Command* stored = list.Add(mine);
    ASSERT_NE(nullptr, stored);
    EXPECT_NE(&mine, stored);
    mine.Caption = "changed";
  }
  ASSERT_EQ(1, list.Size());
  EXPECT_STREQ("Письмо", list.At(0)->Caption.Text());
  EXPECT_STREQ("mailto:a@example.org", list.At(0)->CommandLine.Text());
}

TEST(OwnedList, ClearDestroysFromLastToFirst) {
  g_destroyed.clear();
  OwnedList<Tracked> list;
  for (int tag = 1; tag <= 3; ++tag) {
    Tracked local(tag);
    list.Add(local);
  }
  g_destroyed.clear();
  list.Clear();
  EXPECT_EQ((std::vector<int>{3, 2, 1}), g_destroyed);
  EXPECT_EQ(0, list.Size());
  EXPECT_EQ(nullptr, list.At(0));
  list.Clear();
  EXPECT_EQ(3u, g_destroyed.size()) << "clearing an empty list does nothing";
}

TEST(OwnedList, SwapExchangesWholeLists) {
  CommandList first;
  CommandList second;
  first.Add(Command("a", "1"));
  first.Add(Command("b", "2"));
  second.Add(Command("c", "3"));
  Command* kept = first.At(1);
  first.Swap(second);
  EXPECT_EQ(1, first.Size());
  EXPECT_EQ(2, second.Size());
  EXPECT_EQ(kept, second.At(1)) << "elements move, they are not copied";
  EXPECT_EQ(nullptr, first.At(-1));
}
