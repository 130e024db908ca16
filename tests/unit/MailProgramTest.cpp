#include "mail/MailProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/Application.h"
#include "platform/host/HostControl.h"
#include "tests/unit/MessageLists.h"

namespace {

constexpr int32_t kTen = 1765015200;  // 2025-12-06 10:00:00 UTC

int32_t StoredLastMsgDate() {
  host::RegValue value;
  int32_t date = -1;
  if (host::GetValue(platform::RegRoot::CurrentUser, "Software\\Tandreller\\MailBoxes\\1", "LastMsgDate",
                     &value)) {
    std::memcpy(&date, value.data.data(), sizeof date);
  }
  return date;
}

TEST(MailProgram, DateModeMovesToTheLatestPastMessageAndStoresIt) {
  setenv("TZ", "UTC", 1);
  tzset();
  host::Reset();
  host::SetTime(kTen + 3600);
  Application app;
  Mailbox& box = *app.Boxes.At(0);
  box.MsminPath = "\"C:\\Mail\\mail.exe\" /check";
  box.TandrelMode = 0;
  box.LastMsgDate = kTen - 60;
  GiveMessages(box, {kTen + 300, 0, kTen, kTen + 7200, kTen - 600});
  EXPECT_EQ(0, OpenMailProgram(app, box));
  EXPECT_EQ(kTen + 300, box.LastMsgDate) << "10:05 wins; the future and unreadable dates do not count";
  EXPECT_EQ(kTen + 300, StoredLastMsgDate());
  ASSERT_EQ(1u, host::ShellCalls().size());
  EXPECT_EQ("/check", host::ShellCalls()[0].params);
  GiveMessages(box, {kTen + 3601, 0, kTen});
  OpenMailProgram(app, box);
  EXPECT_EQ(kTen + 300, box.LastMsgDate) << "never moves back";
  EXPECT_EQ(kTen + 300, StoredLastMsgDate());
}

TEST(MailProgram, NoMailProgramAsksToMendButStillAcknowledges) {
  host::Reset();
  Application app;
  Mailbox& box = *app.Boxes.At(0);  // its mail program is "" until set
  app.Boxes.AddBox();
  box.TandrelMode = 0;
  GiveMessages(box, {kTen});
  OpenMailProgram(app, box);  // Yes to mending
  EXPECT_EQ(1, app.LastTabPos);
  EXPECT_EQ(0, app.Boxes.Current) << "the box to mend becomes current";
  EXPECT_EQ(kTen, box.LastMsgDate);
  EXPECT_EQ(0, box.NewMailCount());
}

}  // namespace
