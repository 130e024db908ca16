#include "mail/Mailbox.h"

#include <gtest/gtest.h>

#include "tests/unit/MessageLists.h"

TEST(Mailbox, DefaultsOfANewBox) {
  Mailbox box;
  EXPECT_STREQ(kDefaultPopServer, box.PopServerName.Text());
  EXPECT_STREQ("\"\"", box.MsminPath.Text());
  EXPECT_STREQ("!p!!!p!ppp!p!", box.SpeakerStr.Text());
  EXPECT_EQ(60, box.Delay);
  EXPECT_EQ(100u, box.SpeakerLen);
  EXPECT_EQ(110u, box.Port);
  EXPECT_EQ(1, box.TandrelMode);
  EXPECT_EQ(1, box.DoCheckBox);
  EXPECT_EQ(-1, box.Id);
  EXPECT_EQ(0, box.NewMailCount());
}

TEST(Mailbox, CountModeCountsStatAndIgnoresTheLists) {
  Mailbox box;
  GiveMessages(box, {5, 6}, {1});
  box.PublishCount(7);
  EXPECT_EQ(7, box.NewMailCount());
  box.ClearNewMail();
  EXPECT_EQ(0, box.NewMailCount());
  box.TandrelMode = 0;
  EXPECT_EQ(2, box.NewMailCount()) << "count mode leaves the lists alone when clearing";
}

TEST(Mailbox, DateModeCountsNewMessagesAndClearEmptiesBothLists) {
  Mailbox box;
  box.TandrelMode = 0;
  box.PublishCount(9);
  GiveMessages(box, {5, 6, 0}, {1});
  EXPECT_EQ(3, box.NewMailCount());
  box.ClearNewMail();
  EXPECT_EQ(0, box.NewMailCount());
  box.TandrelMode = 1;
  EXPECT_EQ(0, box.NewMailCount()) << "clearing also resets the STAT count";
  EXPECT_EQ(0, box.LastMsgDate) << "clearing never touches the acknowledged date";
}
