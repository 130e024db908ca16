#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/Application.h"
#include "mail/MailProgram.h"
#include "tests/unit/MessageLists.h"
#include "tests/unit/RegistryValues.h"

namespace {

constexpr int32_t kTen = 1765015200;  // 2025-12-06 10:00:00 UTC

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
  OpenMailProgram(app.Boxes, box, app.RunMsminMode);
  EXPECT_EQ(kTen + 300, box.LastMsgDate) << "10:05 wins; the future and unreadable dates do not count";
  ASSERT_EQ(1u, host::ShellCalls().size());
  EXPECT_EQ("/check", host::ShellCalls()[0].params);
  GiveMessages(box, {kTen + 3601, 0, kTen});
  OpenMailProgram(app.Boxes, box, app.RunMsminMode);
  EXPECT_EQ(kTen + 300, box.LastMsgDate) << "never moves back";
  EXPECT_EQ(std::to_string(kTen + 300), Stored("Software\\Tandreller\\MailBoxes\\1", "LastMsgDate"));
}

}  // namespace
