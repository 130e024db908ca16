#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/ApplicationSettings.h"
#include "app/CheckThread.h"
#include "mail/MailProgram.h"
#include "platform/host/HostControl.h"
#include "tests/support/Maildrop.h"
#include "tests/support/MessageLists.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/ScriptedPop3Server.h"

namespace {

// Boxes are armed and evaluated as on the main thread; no poll really runs
// (threads cannot start here), only their starts are counted, and start-up
// reads no version file.
class SchedulingTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { delete app_; }
  void Start(const int32_t* delay = nullptr) {
    delete app_;
    host::Reset();
    host::FailThreadStart(true);
    PutDword("Software\\Tandreller\\Settings", "DoAutoCheckNewVer", 0);
    if (delay != nullptr) PutDword("Software\\Tandreller\\MailBoxes\\1", "Delay", *delay);
    app_ = new Application();
    ASSERT_TRUE(app_->Init(nullptr));
  }

  Mailbox& Box(int index) { return *app_->Boxes.At(index); }

  Application* app_ = nullptr;
};

// A stored Delay of 0 or below stays, but the timer waits 20 seconds, not a few milliseconds.
TEST_F(SchedulingTest, StartUpChecksAtOnceThenEveryDelayButNeverUnderTwentySeconds) {
  const std::pair<int32_t, uint32_t> cases[] = {
      {60, 60000}, {0, 20000}, {-5, 20000}, {INT32_MAX, 0x7FFFFFFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    Start(&c.first);
    EXPECT_TRUE(Box(0).CheckTimer && !app_->Tray.Animation) << "the quiet envelope has none";
    EXPECT_EQ(c.first, Box(0).Delay);
    EXPECT_EQ(1, host::ThreadStartCount()) << "the first check does not wait a period";
    for (int starts : {1, 2}) {
      host::AdvanceClock(starts == 1 ? c.second - 1 : 1);
      host::RunQueued();
      EXPECT_EQ(starts, host::ThreadStartCount());
    }
  }
}

TEST_F(SchedulingTest, ArmingRespectsTheSwitchAndNeverDoublesATimer) {
  MailboxList& boxes = app_->Boxes;
  boxes.AddBox();
  Box(1).DoCheckBox = 2;
  EXPECT_FALSE(boxes.ArmBoxTimer(0, true)) << "already armed: no restart";
  EXPECT_FALSE(boxes.ArmBoxTimer(1, true)) << "arming wants exactly 1";
  EXPECT_FALSE(boxes.ArmBoxTimer(5, true));
  EXPECT_FALSE(boxes.ArmAllTimers(true)) << "not every box could be armed";
  EXPECT_EQ(1, host::ThreadStartCount()) << "no extra check";

  const platform::Timer stopped = Box(0).CheckTimer.Get();
  Box(0).DoCheckBox = 0;
  EXPECT_TRUE(boxes.ArmBoxTimer(0, false)) << "switching off ignores the switch";
  EXPECT_FALSE(boxes.ArmBoxTimer(0, false));
  EXPECT_FALSE(Box(0).CheckTimer);
  host::RaiseEvent(platform::MainEvent::Timer, stopped);
  EXPECT_EQ(1, host::ThreadStartCount()) << "a stopped timer's late event starts no check";
}

// Under a modal guard some menu holds: the results must leave it held.
TEST_F(SchedulingTest, OnlyEnabledBoxesCountAndOnlyThoseStartTheirProgram) {
  const struct {
    int32_t doCheck, runMode;
    bool quiet;
  } cases[] = {{1, 0, false}, {2, 0, true}, {0, 1, true}};
  ASSERT_TRUE(app_->EnterModal());
  Box(0).MsminPath = "mail.exe";
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.doCheck << " " << c.runMode);
    Box(0).DoCheckBox = c.doCheck;
    Box(0).MsminRunMode = c.runMode;
    Box(0).PublishCount(1);
    std::vector<int32_t> unstarted;
    EXPECT_EQ(c.quiet, app_->ProcessCheckResults(unstarted));
  }
  EXPECT_TRUE(host::ShellCalls().empty());
  EXPECT_FALSE(app_->EnterModal()) << "still held by the menu that took it";
}

TEST_F(SchedulingTest, BoxesThatStartTheirProgramDoSoOnceForASharedProgram) {
  // Box 2 waits for the user but shares the program, in date mode; box 3's path differs in case.
  constexpr int32_t kJanuary3 = 1767434400;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) app_->Boxes.AddBox();
    Box(i).MsminPath = i < 3 ? "\"C:\\Mail\\mail.exe\"" : "\"C:\\MAIL\\mail.exe\"";
    Box(i).MsminRunMode = i < 2 ? 1 : 0;
    Box(i).IsTheSameMsmin = 1;
    Box(i).PublishCount(3);
  }
  Box(2).TandrelMode = 0;
  SaveSettings(*app_);  // every box has a key of its own
  GiveMessages(Box(2), {kJanuary3 - 60, kJanuary3});
  host::FailThreadStart(false);
  std::vector<int32_t> unstarted;
  EXPECT_FALSE(app_->ProcessCheckResults(unstarted)) << "the box whose path differs in case still has mail";
  ASSERT_EQ(1u, host::ShellCalls().size()) << "the first box starts it and clears the others";
  EXPECT_EQ("C:\\Mail\\mail.exe", host::ShellCalls()[0].target);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(0, Box(i).NewMailCount()) << i;
  EXPECT_EQ(3, Box(3).NewMailCount());
  EXPECT_EQ(kJanuary3, Box(2).LastMsgDate) << "the box sharing the program is acknowledged, not only cleared";
  EXPECT_EQ(std::to_string(kJanuary3), Stored("Software\\Tandreller\\MailBoxes\\3", "LastMsgDate"));
  GiveMessages(Box(2), {kJanuary3});
  EXPECT_EQ(0, Box(2).NewMailCount()) << "its next poll does not announce the letter again";
  host::JoinStartedThreads();
  EXPECT_FALSE(host::Sounds().empty()) << "the box's alert played";
}

// Real polls in check threads against a scripted server, published on the main thread.
class PublicationTest : public SchedulingTest {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    SchedulingTest::SetUp();
    host::FailThreadStart(false);
    Mailbox& box = Box(0);
    box.PopServerName = "127.0.0.1";
    box.Port = server_.Port();
    box.MsminPath = "mail.exe";
    server_.OnPrefix("", Reply("+OK\r\n"));
    server_.On("STAT", Reply("+OK 1 100\r\n"));
    server_.On("TOP 1 1", Reply::MultiLine("+OK", "Received: by x; 3 Jan 2026 10:00:00 +0000"));
  }
  void PollAndPublish(Mailbox& box, void (*meanwhile)(Application&, Mailbox&) = nullptr,
                      TestReport report = nullptr) {
    ASSERT_TRUE(StartCheck(*app_, box, report, kTestNumber));
    if (meanwhile != nullptr) meanwhile(*app_, box);
    ASSERT_TRUE(host::WaitForQueued(5000));
    host::RunQueued();
    host::JoinStartedThreads();
  }

  static constexpr int32_t kJanuary3 = 1767434400;
  static constexpr int32_t kTestNumber = 7;
  ScriptedPop3Server server_;
};

TEST_F(PublicationTest, AFinishedPollUpdatesItsBoxUnlessItFailedOrTheBoxIsGone) {
  PollAndPublish(Box(0));
  EXPECT_EQ(1, Box(0).NewMailCount());
  server_.On("STAT", Reply("-ERR locked\r\n"));
  Box(0).PublishCount(3);
  PollAndPublish(Box(0));
  EXPECT_EQ(3, Box(0).NewMailCount()) << "a failed STAT leaves the box as the previous poll left it";

  // A header block without a date: the poll's thread opens its report.
  Box(0).TandrelMode = 0;
  server_.On("STAT", Reply("+OK 1 100\r\n"));
  server_.On("TOP 1 1", Reply::MultiLine("+OK", "Subject: no date"));
  PollAndPublish(Box(0));
  ASSERT_EQ(1u, host::ShellCalls().size());
  EXPECT_EQ(0u, host::ShellCalls()[0].target.rfind("mailto:", 0));

  Box(0).TandrelMode = 1;
  server_.On("STAT", Reply("+OK 5 100\r\n"));
  app_->Boxes.AddBox();
  app_->Boxes.SetCurrent(0);
  // Removed as the settings dialog does it, waiting for the poll to let go.
  PollAndPublish(Box(0), [](Application& app, Mailbox&) { ASSERT_TRUE(app.Boxes.RemoveCurrent()); });
  EXPECT_EQ(0, Box(0).NewMailCount()) << "the box left has none of the removed box's mail";
}

// Two polls of the box, both finished before the main thread takes either:
// published in the order they ran, the later one's letters stay, and each
// letter is announced once.
TEST_F(PublicationTest, PollsQueuedTogetherArePublishedInTheOrderTheyRan) {
  Mailbox& box = Box(0);
  box.TandrelMode = 0;
  for (int j = 1; j <= 3; ++j)
    server_.On("TOP " + std::to_string(j) + " 1", Reply::MultiLine("+OK", Stamp(j)));
  for (const char* stat : {"+OK 2 100\r\n", "+OK 3 100\r\n"}) {
    server_.On("STAT", Reply(stat));
    ASSERT_TRUE(StartCheck(*app_, box, nullptr, 0));
    host::JoinStartedThreads();
  }
  host::RunQueued();
  EXPECT_EQ(3, box.NewMailCount()) << "the earlier result does not overwrite the later";
  ASSERT_EQ(1u, host::Balloons().size());
  EXPECT_EQ(u8" (3 шт.)", host::Balloons()[0].title) << "the first two letters are not announced again";
  PollAndPublish(box);
  EXPECT_EQ(1u, host::Balloons().size()) << "nor any of the three by the next poll";
}

// "Тест" finds mail: only the page that asked hears of it.
TEST_F(PublicationTest, AConnectionTestOnlyReports) {
  static std::pair<int32_t, int32_t> reported;
  Box(0).MsminRunMode = 1;
  PollAndPublish(Box(0), nullptr, [](int32_t test, int32_t code, platform::TlsFailure) {
    reported = {test, code};
  });
  EXPECT_EQ(std::make_pair(kTestNumber, 1), reported) << "the report names its test and has the poll's code";
  EXPECT_EQ(0, Box(0).NewMailCount());
  EXPECT_TRUE(host::ShellCalls().empty());
}

// Opening the program acknowledges the latest letter not in the future. Done during a poll that
// saw the same letter, the letter must not come back, nor the program start twice.
TEST_F(PublicationTest, AnAcknowledgementTakesTheLatestPastLetterAndHolds) {
  Mailbox& box = Box(0);
  box.MsminPath = "\"C:\\Mail\\mail.exe\" /check";
  box.TandrelMode = 0;
  box.MsminRunMode = 1;
  box.LastMsgDate = kJanuary3 - 86400;
  host::SetTime(kJanuary3 + 3600);
  GiveMessages(box, {kJanuary3 - 600, 0, kJanuary3, kJanuary3 + 7200, kJanuary3 - 60});
  app_->Boxes.AddBox();
  app_->Boxes.SetCurrent(1);  // the date belongs to the box acknowledged, not to the one shown
  server_.On("TOP 1 1", Reply::MultiLine("+OK", "Received: by x; 3 Jan 2026 10:00:00 +0000").Chunks(8, 30));
  PollAndPublish(box, [](Application& app, Mailbox& polled) { OpenMailProgram(polled, app.RunMsminMode); });
  EXPECT_EQ(kJanuary3, box.LastMsgDate) << "the future and unreadable dates do not count";
  EXPECT_EQ(0, box.NewMailCount());
  ASSERT_EQ(1u, host::ShellCalls().size());
  EXPECT_EQ("/check", host::ShellCalls()[0].params);
  GiveMessages(box, {kJanuary3 + 3601, 0, kJanuary3 - 1});
  OpenMailProgram(box, app_->RunMsminMode);
  EXPECT_EQ(kJanuary3, box.LastMsgDate) << "never moves back";
  EXPECT_EQ(std::to_string(kJanuary3), Stored("Software\\Tandreller\\MailBoxes\\1", "LastMsgDate"));
}

// A letter is announced by the poll that first finds it new and never again:
// not while it waits, not when an acknowledgement leaves it new (its date
// unreadable), not after the settings are saved, not when the memory serves
// it. A count is announced when it rises above the count last announced.
TEST_F(PublicationTest, EachLetterIsAnnouncedOnce) {
  Mailbox& box = Box(0);
  box.BoxName = "Домашний";
  box.TandrelMode = 0;
  box.LastMsgDate = kJanuary3 - 86400;
  host::SetTime(kJanuary3 + 7 * 86400);
  server_.On("CAPA", Reply::MultiLine("+OK", "UIDL\r\nPIPELINING"));
  Maildrop drop{"",
                {{3, "",
                  "+OK\r\n" + Stamp(3) +
                      "\r\nFrom: =?UTF-8?B?0JjQstCw0L0=?= <a@example.org>\r\n"
                      "Subject: =?KOI8-R?Q?=EF=D4=DE=A3=D4?=\r\n.\r\n"},
                 {0, "", "+OK\r\nFrom: b@example.org\r\nSubject: No date\r\n.\r\n"}}};
  const auto serve = [&] {
    for (const char* command : {"STAT", "LIST", "UIDL", "TOP 1 1", "TOP 2 1", "TOP 3 1", "TOP 4 1"})
      server_.On(command, Reply(drop.Answer(command)));
  };
  const auto last = [] { return host::Balloons().back().title + "|" + host::Balloons().back().text; };
  serve();
  PollAndPublish(box);
  ASSERT_EQ(1u, host::Balloons().size());
  EXPECT_EQ(u8"Домашний (2 шт.)|Иван — Отчёт\nb@example.org — No date", last());
  PollAndPublish(box);
  OpenMailProgram(box, app_->RunMsminMode);
  PollAndPublish(box);
  SaveSettings(*app_);
  PollAndPublish(box);
  EXPECT_EQ(1u, host::Balloons().size()) << "waiting, acknowledged, saved: announced already";
  EXPECT_EQ(1, box.NewMailCount()) << "the letter without a date is new all the same";

  drop.Letters.push_back(
      {4, "", "+OK\r\n" + Stamp(4) + "\r\nFrom: c@example.org\r\nSubject: Third\r\n.\r\n"});
  serve();
  PollAndPublish(box);
  ASSERT_EQ(2u, host::Balloons().size());
  EXPECT_EQ(u8"Домашний (1 шт.)|c@example.org — Third", last());
  app_->ShowBalloon = 0;
  drop.Letters.push_back({5, "", "+OK\r\n" + Stamp(5) + "\r\nFrom: d@example.org\r\n.\r\n"});
  serve();
  PollAndPublish(box);
  EXPECT_EQ(3, box.NewMailCount()) << "without balloons nothing else changes";
  app_->ShowBalloon = 1;

  box.TandrelMode = 1;
  for (int32_t count : {2, 2, 1, 1, 3}) {
    server_.On("STAT", Reply("+OK " + std::to_string(count) + " 100\r\n"));
    PollAndPublish(box);
    if (count == 1) OpenMailProgram(box, app_->RunMsminMode);
  }
  ASSERT_EQ(4u, host::Balloons().size()) << "2 announced, then 3";
  EXPECT_EQ(u8"Домашний (3 шт.)|Мыло припёрло (3 шт.)!", last());
}

}  // namespace
