#include "mail/MailProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/Application.h"
#include "mail/TimeScale.h"
#include "platform/host/HostControl.h"
#include "tests/unit/MessageLists.h"

namespace {

constexpr char kBox1[] = "Software\\Tandreller\\MailBoxes\\1";
constexpr int32_t kTenOClock = 1765015200;  // 2025-12-06 10:00:00 UTC

class MailProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    host::Reset();
    host::SetTime(kTenOClock + 3600);
    box_ = app_.Boxes.At(0);
    box_->MsminPath = "\"C:\\Mail\\mail.exe\" /check";
    box_->TandrelMode = 0;
  }

  void NewMessages(std::initializer_list<int32_t> dates) { GiveMessages(*box_, dates); }

  static int32_t StoredLastMsgDate() {
    host::RegValue value;
    if (!host::GetValue(platform::RegRoot::CurrentUser, kBox1, "LastMsgDate", &value)) return -1;
    return int32_t(value.data[0] | value.data[1] << 8 | value.data[2] << 16 | uint32_t(value.data[3]) << 24);
  }

  Application app_;
  Mailbox* box_ = nullptr;
};

TEST_F(MailProgramTest, AdvancesToTheLatestPastDateAndStoresItAtOnce) {
  box_->LastMsgDate = kTenOClock - 60;
  NewMessages({kTenOClock + 300, 0, kTenOClock, kTenOClock + 7200, kTenOClock - 600});
  EXPECT_EQ(0, OpenMailProgram(app_, *box_));
  EXPECT_EQ(kTenOClock + 300, box_->LastMsgDate) << "10:05 wins; the future and unreadable dates do not count";
  EXPECT_EQ(kTenOClock + 300, StoredLastMsgDate());
  EXPECT_EQ(0, box_->NewMailCount());
  ASSERT_EQ(1u, host::ShellCalls().size());
  EXPECT_EQ("C:\\Mail\\mail.exe", host::ShellCalls()[0].target);
  EXPECT_EQ("/check", host::ShellCalls()[0].params);
  EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST_F(MailProgramTest, OnlyFutureOrUnreadableDatesLeaveTheDateAlone) {
  box_->LastMsgDate = kTenOClock;
  NewMessages({kTenOClock + 3601, 0});
  OpenMailProgram(app_, *box_);
  EXPECT_EQ(kTenOClock, box_->LastMsgDate);
  EXPECT_EQ(kTenOClock, StoredLastMsgDate()) << "stored again, unchanged";
}

TEST_F(MailProgramTest, CountModeStoresNothingAndClearsTheCount) {
  box_->TandrelMode = 1;
  box_->PublishCount(4);
  OpenMailProgram(app_, *box_);
  EXPECT_EQ(0, box_->NewMailCount());
  EXPECT_EQ(-1, StoredLastMsgDate());
}

TEST_F(MailProgramTest, NoMailProgramAsksToMendButStillAcknowledges) {
  app_.Boxes.AddBox();
  app_.Boxes.SetCurrent(1);
  box_->MsminPath = "\"\"";
  NewMessages({kTenOClock});
  host::QueueAnswer(platform::BoxAnswer::Yes);
  OpenMailProgram(app_, *box_);
  ASSERT_EQ(1u, host::MessageBoxes().size());
  const auto question = host::MessageBoxes()[0];
  EXPECT_EQ("Путь к почтовой программе указан не верно!\nХотите исправить?", question.text);
  EXPECT_EQ("Вестун :(", question.caption);
  EXPECT_EQ(platform::BoxButtons::YesNo, question.buttons);
  EXPECT_EQ(platform::BoxIcon::Warning, question.icon);
  EXPECT_EQ(1, app_.LastTabPos);
  EXPECT_EQ(0, app_.Boxes.Current) << "the box to mend becomes current";
  EXPECT_EQ(kTenOClock, box_->LastMsgDate);
  EXPECT_EQ(0, box_->NewMailCount());
  EXPECT_TRUE(host::ShellCalls().empty());
}

TEST_F(MailProgramTest, AnUnwritableKeyStillAdvancesTheDateInMemory) {
  host::FailKeysUnder(kBox1);
  NewMessages({kTenOClock});
  OpenMailProgram(app_, *box_);
  EXPECT_EQ(kTenOClock, box_->LastMsgDate);
  ASSERT_EQ(1u, host::MessageBoxes().size());
  EXPECT_EQ(0u, host::MessageBoxes()[0].text.find("Не удалось добавить ключ в реестр"));
}

}  // namespace
