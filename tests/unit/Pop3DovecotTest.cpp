// Polls against a real Dovecot on loopback, with mail delivered by its own
// delivery agent, which writes the topmost Received header itself. Count
// mode and refusals are polled end to end by the real program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "mail/Pop3Poll.h"
#include "mail/TimeScale.h"
#include "platform/host/HostControl.h"
#include "tests/support/DovecotServer.h"

namespace {

class Pop3DovecotTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
    if (!DovecotServer::Available()) return;
    server_ = new DovecotServer();
    ASSERT_TRUE(server_->Start()) << server_->LastError();
    ASSERT_TRUE(server_->AddUser("tester", "secret"));
    // Delivered on the 1st, 2nd and 3rd of January 2026 at 10:00 UTC.
    for (int day = 1; day <= 3; ++day) {
      const std::string date = "2026-01-0" + std::to_string(day) + " 10:00:00";
      ASSERT_TRUE(server_->Deliver("tester", "Subject: day " + std::to_string(day) + "\n\nbody\n", date))
          << server_->LastError();
    }
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    VESTUN_REQUIRE_DOVECOT();
    host::Reset();
    mutex_ = platform::CreateNamedMutex("POP3_11024", false, nullptr);
    request_.PopServerName = "localhost";
    request_.Port = server_->Port();
    request_.Login = "tester";
    request_.Password = "secret";
    request_.CheckMutex = mutex_;
  }
  void TearDown() override { platform::CloseObject(mutex_); }

  int32_t Poll() {
    result_ = std::make_unique<PollResult>();
    return CheckMailbox(request_, *result_);
  }

  static DovecotServer* server_;
  platform::KernelObject mutex_ = nullptr;
  PollRequest request_;
  std::unique_ptr<PollResult> result_;
};

DovecotServer* Pop3DovecotTest::server_ = nullptr;

int32_t January(int day) { return TimeValueOf(UtcSeconds(2026, 1, day, 10, 0, 0)); }

TEST_F(Pop3DovecotTest, DateModeCountsWhatCameAfterTheAcknowledgedDate) {
  request_.TandrelMode = 0;
  const std::pair<int32_t, int32_t> cases[] = {
      {0, 3}, {January(1) - 1, 3}, {January(1), 2}, {January(2), 1}, {January(3), 0}, {January(3) + 1, 0}};
  for (const auto& c : cases) {
    request_.LastMsgDate = c.first;
    EXPECT_EQ(c.second, Poll()) << "after " << c.first;
    EXPECT_EQ(3 - c.second, result_->OldMessages.Size());
  }
  request_.LastMsgDate = January(2);
  Poll();
  ASSERT_EQ(1, result_->NewMessages.Size());
  EXPECT_EQ(January(3), result_->NewMessages.At(0)->Date) << "the date Dovecot stamped on delivery";
}

}  // namespace
