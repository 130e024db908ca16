#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/CheckThread.h"
#include "platform/host/HostControl.h"

namespace {

// Boxes are armed and evaluated as on the main thread; no poll really runs
// (threads cannot start here), only their starts are counted.
class SchedulingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::Reset();
    host::FailThreadStart(true);
    app_ = new Application();
    ASSERT_EQ(1, app_->Init(nullptr));
  }
  void TearDown() override { delete app_; }

  Mailbox& Box(int index) { return *app_->Boxes.At(index); }
  std::vector<uintptr_t> Timers() { return host::ActiveTimers(app_->MainWindow); }

  Application* app_ = nullptr;
};

TEST_F(SchedulingTest, StartUpArmsEveryEnabledBoxAndChecksAtOnce) {
  EXPECT_EQ((std::vector<uintptr_t>{11024}), Timers());
  EXPECT_EQ(1, Box(0).TimerArmed);
  EXPECT_EQ(1, host::ThreadStartCount()) << "the first check does not wait a period";
  host::AdvanceClock(59999);
  host::PumpMessages();
  EXPECT_EQ(1, host::ThreadStartCount());
  host::AdvanceClock(1);
  host::PumpMessages();
  EXPECT_EQ(2, host::ThreadStartCount()) << "then one check every Delay seconds";
}

TEST_F(SchedulingTest, ArmingRespectsTheSwitchAndNeverDoublesATimer) {
  MailboxList& boxes = app_->Boxes;
  EXPECT_EQ(0, boxes.ArmBoxTimer(0, true)) << "already armed: no restart, no extra check";
  EXPECT_EQ(1, host::ThreadStartCount());
  boxes.AddBox();
  Box(1).DoCheckBox = 0;
  EXPECT_EQ(0, boxes.ArmBoxTimer(1, true));
  Box(1).DoCheckBox = 2;
  EXPECT_EQ(0, boxes.ArmBoxTimer(1, true)) << "arming wants exactly 1";
  EXPECT_EQ(1, host::ThreadStartCount());
  EXPECT_EQ(0, boxes.ArmBoxTimer(5, true));
  EXPECT_EQ(0, boxes.ArmAllTimers(true)) << "not every box could be armed";

  Box(0).DoCheckBox = 0;
  EXPECT_EQ(1, boxes.ArmBoxTimer(0, false)) << "switching off ignores the switch";
  EXPECT_TRUE(Timers().empty());
  EXPECT_EQ(0, boxes.ArmBoxTimer(0, false));
}

TEST_F(SchedulingTest, TimerMessagesForNoBoxAreIgnored) {
  const int before = host::ThreadStartCount();
  for (uintptr_t id : {uintptr_t{1}, uintptr_t{11023}, uintptr_t{11025}, uintptr_t{0x1FFFFFFFFull}}) {
    platform::SendWindowMessage(app_->MainWindow, platform::kMsgTimer, id, 0);
  }
  EXPECT_EQ(before, host::ThreadStartCount());
  platform::SendWindowMessage(app_->MainWindow, platform::kMsgTimer, 11024, 0);
  EXPECT_EQ(before + 1, host::ThreadStartCount());
}

TEST_F(SchedulingTest, ShutdownStopsEveryTimer) {
  app_->Shutdown();
  EXPECT_TRUE(Timers().empty());
  EXPECT_EQ(0, Box(0).TimerArmed);
}

TEST_F(SchedulingTest, ResultsReEvaluateEveryBox) {
  app_->Boxes.AddBox();
  Box(0).PublishCount(2);
  EXPECT_EQ(0, app_->ProcessCheckResults()) << "the first box still has mail";
  Box(0).ClearNewMail();
  Box(1).PublishCount(1);
  Box(1).DoCheckBox = 2;
  EXPECT_EQ(1, app_->ProcessCheckResults()) << "only DoCheckBox 1 counts for the tray";
  EXPECT_TRUE(host::ShellCalls().empty());
}

TEST_F(SchedulingTest, BoxesThatStartTheirProgramDoSoOnceForASharedProgram) {
  app_->Boxes.AddBox();
  app_->Boxes.AddBox();
  for (int i = 0; i < 3; ++i) {
    Box(i).MsminPath = "\"C:\\Mail\\mail.exe\"";
    Box(i).MsminRunMode = 1;
    Box(i).IsTheSameMsmin = 1;
    Box(i).PublishCount(3);
  }
  Box(2).MsminRunMode = 0;  // waits for the user, but shares the program
  host::FailThreadStart(false);
  EXPECT_EQ(1, app_->ProcessCheckResults());
  ASSERT_EQ(1u, host::ShellCalls().size()) << "the first box starts it and clears the others";
  EXPECT_EQ("C:\\Mail\\mail.exe", host::ShellCalls()[0].target);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(0, Box(i).NewMailCount()) << i;
  host::JoinStartedThreads();
  EXPECT_FALSE(host::Sounds().empty()) << "the box's alert played";
}

TEST_F(SchedulingTest, TheModalGuardIsTakenOnlyTentatively) {
  ASSERT_EQ(1, app_->EnterModal());
  Box(0).PublishCount(1);
  EXPECT_EQ(0, app_->ProcessCheckResults());
  EXPECT_EQ(0, app_->EnterModal()) << "still held by the menu that took it";
  app_->LeaveModal();
  EXPECT_EQ(1, app_->EnterModal());
}

}  // namespace
