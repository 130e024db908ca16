#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "mail/MailboxList.h"
#include "platform/host/HostControl.h"
#include "tests/unit/MessageLists.h"

namespace {

// Publishing files messages against today's acknowledged date, which a poll's run must not undo.
TEST(Mailbox, EachModeCountsItsOwnStateAndClearingResetsIt) {
  Mailbox box;
  GiveMessages(box, {5, 6, 0}, {1});
  box.PublishCount(7);
  EXPECT_EQ(7, box.NewMailCount());
  box.ClearNewMail();
  EXPECT_EQ(0, box.NewMailCount());
  box.TandrelMode = 0;
  EXPECT_EQ(3, box.NewMailCount()) << "count mode leaves the lists alone";
  box.ClearNewMail();
  EXPECT_EQ(0, box.NewMailCount());
  EXPECT_EQ(0, box.LastMsgDate);
  box.LastMsgDate = 600;
  GiveMessages(box, {500, 600, 601, 0}, {100});
  EXPECT_EQ(2, box.NewMailCount()) << "601, and 0 (an unreadable date) stays new";
}

// A list of `count` boxes whose names are their positions, `current` current.
void Fill(MailboxList& list, int count, int current) {
  for (int i = 0; i < count; ++i) {
    list.AddBox();
    list.CurrentBox()->BoxName = std::to_string(i).c_str();
  }
  list.Current = current;
}

std::string Names(const MailboxList& list) {
  std::string names;
  for (int i = 0; i < list.Count; ++i) names += list.At(i)->BoxName.Text();
  return names;
}

TEST(MailboxList, RemovingAndMovingKeepCurrentOnABox) {
  const struct {
    int count, current, from, to, result, currentAfter;  // from -1: remove the current box, else move
    const char* names;
  } cases[] = {
      {3, 2, -1, 0, 1, 1, "01"},  // removing the last box moves current back
      {3, 0, -1, 0, 1, 0, "12"},  // otherwise current is the box that followed
      {3, 1, -1, 0, 1, 1, "02"},  // the same in the middle
      {1, 0, -1, 0, 0, 0, "0"},   // the only box is never removed
      {3, 2, 0, 1, 1, 1, "102"},  // a move makes its target current
      {3, 0, 2, 3, 0, 0, "012"},  // and refuses a place outside
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " boxes, " << c.current << ", " << c.from << "->" << c.to);
    host::Reset();
    MailboxList list;
    Fill(list, c.count, c.current);
    EXPECT_EQ(c.result, c.from < 0 ? list.RemoveCurrent() : list.MoveBox(c.from, c.to));
    EXPECT_EQ(c.names, Names(list));
    EXPECT_EQ(c.currentAfter, list.Current);
  }
}

// A box whose poll ended holding its lock is no longer being polled.
TEST(MailboxList, ABoxIsNotRemovedWhileAPollHoldsIt) {
  host::Reset();
  MailboxList list;
  Fill(list, 3, 2);
  std::atomic<int> step{0};  // 1: the poll holds the box; 2: it may let go
  std::thread poll([&] {
    platform::TakeLock(list.At(2)->CheckLock.Get(), 0);
    step = 1;
    while (step != 2) std::this_thread::yield();
    platform::LeaveLock(list.At(2)->CheckLock.Get());
  });
  while (step != 1) std::this_thread::yield();
  EXPECT_EQ(0, list.RemoveCurrent()) << "after waiting " << MailboxList::kRemoveWaitMs << " ms";
  step = 2;
  poll.join();
  EXPECT_EQ(1, list.RemoveCurrent()) << "once the poll is over the box goes";
  std::thread([&] { platform::TakeLock(list.At(1)->CheckLock.Get(), 0); }).join();
  EXPECT_EQ(1, list.RemoveCurrent());
  list.AddBox();
  EXPECT_EQ(MailboxList::kFirstId + 3, list.CurrentBox()->Id) << "ids are never reused";
}

// "старые письма" shows for any enabled date-mode box whose last poll found
// already seen messages; the first box has none.
TEST(MailboxList, OldLettersShowForAnEnabledDateModeBoxThatHasThem) {
  const struct {
    int32_t doCheck, mode;
    bool old, shows;
  } cases[] = {
      {1, 0, true, true}, {2, 0, true, true}, {0, 0, true, false}, {1, 1, true, false}, {1, 0, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.doCheck << " " << c.mode << " " << c.old);
    MailboxList list;
    Fill(list, 2, 0);
    list.At(0)->TandrelMode = 0;
    Mailbox& box = *list.At(1);
    GiveMessages(box, {200}, {});
    if (c.old) GiveMessages(box, {200}, {100});
    box.DoCheckBox = c.doCheck;
    box.TandrelMode = c.mode;
    EXPECT_EQ(c.shows, list.ShowsOldLetters());
  }
}

}  // namespace
