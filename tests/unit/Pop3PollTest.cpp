// Polls against our scripted server, for replies no real server sends.
#include "mail/Pop3Poll.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "mail/Pop3Connection.h"
#include "platform/host/HostControl.h"
#include "tests/support/ScriptedPop3Server.h"

namespace {

constexpr uint32_t kShortWaitMs = 400;

std::string Stamp(int day) { return "Received: by pop.example.org; " + std::to_string(day) + " Jan 2026 10:00:00 +0000"; }

class Pop3PollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    host::Reset();
    mutex_ = platform::CreateNamedMutex("POP3_11024", false, nullptr);
    request_.PopServerName = "127.0.0.1";
    request_.Port = server_.Port();
    request_.Login = "tester";
    request_.Password = "secret";
    request_.CheckMutex = mutex_;
    request_.SendErrors = 0;
    request_.Timeouts.ReceiveMs = kShortWaitMs;
    server_.On("USER tester", Reply("+OK\r\n"));
    server_.On("PASS secret", Reply("+OK\r\n"));
  }
  void TearDown() override { platform::CloseObject(mutex_); }

  int32_t Poll() { return CheckMailbox(request_, result_); }
  bool MutexFree() {
    if (platform::WaitForObject(mutex_, 0) != platform::WaitResult::Taken) return false;
    platform::ReleaseMutexObject(mutex_);
    return true;
  }
  // Three messages delivered on 1, 2 and 3 January, last acknowledged on the 2nd.
  void ThreeMessages() {
    server_.On("STAT", Reply("+OK 3 1200\r\n"));
    for (int j = 1; j <= 3; ++j) server_.On("TOP " + std::to_string(j) + " 1", Reply::MultiLine("+OK", Stamp(j)));
    request_.TandrelMode = 0;
    request_.LastMsgDate = 1767348000;  // 2026-01-02 10:00:00
  }

  ScriptedPop3Server server_;
  platform::KernelObject mutex_ = nullptr;
  PollRequest request_;
  PollResult result_;
};

TEST_F(Pop3PollTest, CountModeSaysOnlyUserPassStatQuit) {
  server_.On("STAT", Reply("+OK 12 34567\r\n"));
  EXPECT_EQ(12, Poll());
  EXPECT_EQ(12, result_.StatCount);
  EXPECT_EQ(server_.Commands(), (std::vector<std::string>{"USER tester", "PASS secret", "STAT", "QUIT"}));
  EXPECT_TRUE(MutexFree());
}

TEST_F(Pop3PollTest, DateModeAsksEveryMessageInOrderAndSortsThem) {
  ThreeMessages();
  EXPECT_EQ(1, Poll()) << "only the 3rd is later than the 2nd";
  EXPECT_EQ(server_.Commands(), (std::vector<std::string>{"USER tester", "PASS secret", "STAT", "TOP 1 1", "TOP 2 1",
                                                          "TOP 3 1", "QUIT"}));
  ASSERT_EQ(1, result_.NewMessages.Size());
  EXPECT_EQ(1767434400, result_.NewMessages.At(0)->Date);
  EXPECT_EQ(2, result_.OldMessages.Size()) << "the same second counts as seen";
}

TEST_F(Pop3PollTest, RefusalsAndFailuresGiveTheirCodes) {
  server_.On("USER tester", Reply("-ERR who?\r\n"));
  EXPECT_EQ(kPollUserRefused, Poll());
  server_.On("USER tester", Reply("+OK\r\n"));
  server_.On("PASS secret", Reply("-ERR no\r\n"));
  EXPECT_EQ(kPollPasswordRefused, Poll());
  server_.On("USER tester", Reply("").ThenClose());
  EXPECT_EQ(kPollUserRefused, Poll()) << "a closed connection gives an empty reply";
  EXPECT_EQ(3u, server_.Connections());
  for (const std::string& command : server_.Commands()) EXPECT_NE("QUIT", command) << "no QUIT after a refusal";

  request_.PopServerName = "no-such-host.invalid";
  EXPECT_EQ(kPollHostNotFound, Poll());
  request_.PopServerName = "127.0.0.1";
  request_.Port = 1;
  EXPECT_EQ(kPollNotConnected, Poll());
  EXPECT_TRUE(MutexFree());
}

TEST_F(Pop3PollTest, ABrokenStatKeepsThePreviousState) {
  server_.On("STAT", Reply("-ERR maildir locked\r\n"));
  request_.PreviousCount = 4;
  EXPECT_EQ(4, Poll());
  EXPECT_EQ(-1, result_.StatCount);
  EXPECT_EQ("QUIT", server_.Commands().back());
}

TEST_F(Pop3PollTest, ABusyBoxReturnsAtOnce) {
  std::thread holder([this] {
    platform::WaitForObject(mutex_, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    platform::ReleaseMutexObject(mutex_);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(kPollBusy, Poll());
  EXPECT_EQ(0u, server_.Connections());
  holder.join();
}

TEST_F(Pop3PollTest, AnOversizedReplyDoesNotShiftTheNextMessagesDates) {
  ThreeMessages();
  const std::string huge = Stamp(3) + "\r\n" + std::string(100 * 1024, 'X');
  server_.On("TOP 1 1", Reply::MultiLine("+OK", huge).InPieces(40, 0));
  server_.On("TOP 2 1", Reply::MultiLine("+OK", Stamp(1) + "\r\n" + std::string(9000, 'y')).Chunks(1000, 1));
  EXPECT_EQ(2, Poll());
  ASSERT_EQ(2, result_.NewMessages.Size()) << "messages 1 and 3 are new, each read as itself";
  ASSERT_EQ(1, result_.OldMessages.Size());
  EXPECT_EQ(1767261600, result_.OldMessages.At(0)->Date) << "message 2 has its own date, not the rest of 1";
  EXPECT_EQ(1767434400, result_.NewMessages.At(1)->Date);
  EXPECT_EQ("QUIT", server_.Commands().back());
}

TEST_F(Pop3PollTest, ErrorRepliesEndAtOnceAndGarbageIsNewMail) {
  ThreeMessages();
  server_.On("TOP 1 1", Reply("-ERR no such message\r\n"));
  server_.On("TOP 2 1", Reply::Garbage(3000, 7));
  server_.On("TOP 3 1", Reply::MultiLine("+OK", "Subject: no stamp\r\n"));
  request_.SendErrors = 1;
  EXPECT_EQ(3, Poll()) << "unreadable dates count as new";
  EXPECT_EQ(0, result_.NewMessages.At(0)->Date);
  const auto reports = host::ShellCalls();
  ASSERT_EQ(3u, reports.size());
  for (const auto& report : reports) {
    EXPECT_EQ(0u, report.target.find("mailto:vestun@example.org?subject=")) << report.target;
    EXPECT_LE(report.target.size(), 499u);
    EXPECT_EQ("", report.params) << "the report goes to the shell whole";
    EXPECT_EQ(std::string::npos, report.target.find_first_of("\"&\r\n", report.target.find("&body=") + 1));
  }
}

TEST_F(Pop3PollTest, ASilentServerReleasesTheBoxAfterTheTimeOut) {
  // Silent from the greeting on: the greeting and the USER reply each wait
  // once, then the poll ends as for a closed connection.
  server_.SetGreeting(Reply::Silence());
  int32_t code = 0;
  const auto start = std::chrono::steady_clock::now();
  std::thread poll([&] { code = Poll(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(kShortWaitMs / 2));
  EXPECT_FALSE(MutexFree()) << "held while the server is silent";
  poll.join();
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(kPollUserRefused, code);
  EXPECT_GE(waited, std::chrono::milliseconds(2 * kShortWaitMs));
  EXPECT_LT(waited, std::chrono::milliseconds(2 * kShortWaitMs + 2000));
  EXPECT_TRUE(MutexFree());

  const PollTimeouts defaults;
  EXPECT_LE(defaults.ReceiveMs, 60000u) << "a user waits at most a minute per step";
}

TEST_F(Pop3PollTest, LineBreaksInALoginNeverReachTheWire) {
  request_.Login = "tester\r\nDELE 1";
  EXPECT_EQ(kPollUserRefused, Poll());
  for (const std::string& command : server_.Commands()) EXPECT_EQ(std::string::npos, command.find("DELE"));
}

}  // namespace
