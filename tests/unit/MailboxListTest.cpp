#include "mail/MailboxList.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/host/HostControl.h"

namespace {

class MailboxListTest : public ::testing::Test {
 protected:
  void SetUp() override { host::Reset(); }

  // A list of `count` boxes whose names are their positions.
  void Fill(MailboxList& list, int count) {
    for (int i = 0; i < count; ++i) {
      list.AddBox();
      list.CurrentBox()->BoxName = std::to_string(i).c_str();
    }
  }

  static std::string Names(const MailboxList& list) {
    std::string names;
    for (int i = 0; i < list.Count; ++i) names += list.At(i)->BoxName.Text();
    return names;
  }

  static bool MutexExists(const char* name) {
    bool existed = false;
    platform::KernelObject probe = platform::CreateNamedMutex(name, false, &existed);
    platform::CloseObject(probe);
    return existed;
  }
};

TEST_F(MailboxListTest, IdsStartAt11024AndAreNeverReused) {
  MailboxList list;
  Fill(list, 2);
  EXPECT_EQ(11024, list.At(0)->Id);
  EXPECT_TRUE(MutexExists("POP3_11024"));
  EXPECT_TRUE(MutexExists("POP3_11025"));
  ASSERT_EQ(1, list.SetCurrent(0));
  ASSERT_EQ(1, list.RemoveCurrent());
  EXPECT_FALSE(MutexExists("POP3_11024")) << "the removed box's mutex goes with it";
  EXPECT_EQ(-1, list.IndexOfId(11024));
  list.AddBox();
  EXPECT_EQ(11026, list.CurrentBox()->Id);
  EXPECT_EQ(1, list.Current);
}

TEST_F(MailboxListTest, RemovingKeepsCurrentOnTheFollowingBox) {
  MailboxList list;
  Fill(list, 3);
  EXPECT_EQ(1, list.RemoveCurrent());
  EXPECT_EQ(1, list.Current) << "removing the last box moves current back";
  EXPECT_EQ("01", Names(list));

  MailboxList other;
  Fill(other, 3);
  other.SetCurrent(0);
  EXPECT_EQ(1, other.RemoveCurrent());
  EXPECT_EQ(0, other.Current);
  EXPECT_EQ("12", Names(other));
}

TEST_F(MailboxListTest, TheOnlyBoxIsNeverRemoved) {
  MailboxList list;
  EXPECT_EQ(0, list.RemoveCurrent()) << "an empty list";
  Fill(list, 1);
  EXPECT_EQ(0, list.RemoveCurrent());
  EXPECT_EQ(1, list.Count);
  EXPECT_EQ(0, list.Current);
}

TEST_F(MailboxListTest, ABoxBeingPolledIsNotRemoved) {
  MailboxList list;
  Fill(list, 2);
  std::atomic<bool> holding{false};
  std::atomic<bool> release{false};
  std::thread poll([&] {
    EXPECT_EQ(platform::WaitResult::Taken, platform::WaitForObject(list.At(1)->CheckMutex, 0));
    holding = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    platform::ReleaseMutexObject(list.At(1)->CheckMutex);
  });
  while (!holding) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, list.RemoveCurrent());
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(1900));
  EXPECT_EQ(2, list.Count);
  release = true;
  poll.join();
  EXPECT_EQ(1, list.RemoveCurrent()) << "once the poll is over the box goes";
}

TEST_F(MailboxListTest, MoveAndSetCurrentRefuseIndexesOutside) {
  MailboxList list;
  Fill(list, 3);
  EXPECT_EQ(1, list.MoveBox(0, 1));
  EXPECT_EQ("102", Names(list));
  EXPECT_EQ(1, list.Current);
  EXPECT_EQ(0, list.MoveBox(2, 3));
  EXPECT_EQ(0, list.MoveBox(-1, 0));
  EXPECT_EQ("102", Names(list));
  EXPECT_EQ(0, list.SetCurrent(3));
  EXPECT_EQ(1, list.Current);
  list.Current = 7;
  EXPECT_EQ(nullptr, list.CurrentBox());
}

TEST_F(MailboxListTest, ClearEmptiesTheListButKeepsCountingIds) {
  MailboxList list;
  Fill(list, 2);
  list.Clear();
  EXPECT_EQ(0, list.Count);
  EXPECT_EQ(-1, list.Current);
  EXPECT_EQ(-1, list.IndexOfId(11024));
  list.AddBox();
  EXPECT_EQ(11026, list.CurrentBox()->Id);
}

}  // namespace
