#include <gtest/gtest.h>

#include "mail/Mailbox.h"
#include "tests/unit/MessageLists.h"

// Clearing resets both counts, empties the lists only in date mode and
// leaves the acknowledged date alone; publishing files messages against the
// acknowledgement of now, which a poll's run must not undo.
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
