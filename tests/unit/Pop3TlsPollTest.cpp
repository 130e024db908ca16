// Polls over TLS against our scripted server: the same dialogue as in plain
// text once the certificate checks out, and not a word of it otherwise.
#include <gtest/gtest.h>

#include <string>

#include "mail/Pop3Poll.h"
#include "platform/Owned.h"
#include "platform/host/HostControl.h"
#include "tests/support/ScriptedPop3Server.h"

namespace {

const std::vector<std::string> kDateModeDialogue = {"USER tester", "PASS secret", "STAT", "TOP 1 1",
                                                    "TOP 2 1",     "TOP 3 1",     "QUIT"};

std::string Stamp(int day) {
  return "Received: by pop.example.org; " + std::to_string(day) + " Jan 2026 10:00:00 +0000";
}

// Three messages of 1, 2 and 3 January; the box last saw the 2nd.
void ScriptThreeMessages(ScriptedPop3Server& server) {
  server.On("USER tester", Reply("+OK\r\n"));
  server.On("PASS secret", Reply("+OK\r\n"));
  server.On("STAT", Reply("+OK 3 1200\r\n"));
  for (int j = 1; j <= 3; ++j)
    server.On("TOP " + std::to_string(j) + " 1", Reply::MultiLine("+OK", Stamp(j)));
}

class Pop3TlsPollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    host::Reset();
    lock_.Reset(platform::OpenLock("POP3_11030"));
    request_.PopServerName = "localhost";
    request_.Tls = true;
    request_.Login = "tester";
    request_.Password = "secret";
    request_.CheckLock = lock_.Get();
    request_.TandrelMode = 0;
    request_.LastMsgDate = 1767348000;  // 2026-01-02 10:00:00
    request_.Timeouts.ReceiveMs = 2000;
  }
  static void Trust() { host::TrustAuthority(ScriptedPop3Server::TlsAuthorityFile()); }

  int32_t Poll(const ScriptedPop3Server& server) {
    request_.Port = server.Port();
    result_.StatCount = -1;
    result_.NewMessages.Clear();
    result_.OldMessages.Clear();
    result_.TlsFailure = platform::TlsFailure::None;
    return CheckMailbox(request_, result_);
  }

  // What a poll found: STAT's count, the old and new messages' dates.
  std::vector<int64_t> Summary() const {
    std::vector<int64_t> found{result_.StatCount};
    for (const MessageList* list : {&result_.OldMessages, &result_.NewMessages}) {
      found.push_back(-1);
      for (int i = 0; i < list->Size(); ++i) found.push_back(list->At(i)->Date);
    }
    return found;
  }

  platform::OwnedLock lock_;
  PollRequest request_;
  PollResult result_;
};

TEST_F(Pop3TlsPollTest, ADateModePollOverTlsGivesWhatThePlainOneGives) {
  ScriptedPop3Server plain;
  ScriptThreeMessages(plain);
  request_.Tls = false;
  request_.PopServerName = "127.0.0.1";
  ASSERT_EQ(1, Poll(plain));
  const std::vector<int64_t> overTcp = Summary();

  ScriptedPop3Server secure(ServerTls::On);
  ScriptThreeMessages(secure);
  Trust();
  request_.Tls = true;
  request_.PopServerName = "localhost";
  ASSERT_EQ(1, Poll(secure));
  EXPECT_EQ(secure.Commands(), kDateModeDialogue);
  EXPECT_EQ(Summary(), overTcp);
  EXPECT_EQ(platform::TlsFailure::None, result_.TlsFailure);
}

// A reply's end or its date may straddle two records anywhere: the greeting
// and the last header block are split at every byte.
TEST_F(Pop3TlsPollTest, RepliesSplitAcrossRecordsAtEveryPositionStillParse) {
  ScriptedPop3Server server(ServerTls::On);
  ScriptThreeMessages(server);
  Trust();
  const std::string greeting = "+OK ready\r\n";
  const std::string top = Reply::MultiLine("+OK", Stamp(3)).Bytes;
  for (size_t cut = 1; cut < top.size(); ++cut) {
    SCOPED_TRACE(cut);
    server.SetGreeting(Reply(greeting).SplitAt(std::min(cut, greeting.size() - 1)));
    server.On("TOP 3 1", Reply(top).SplitAt(cut));
    ASSERT_EQ(1, Poll(server));
    ASSERT_EQ(1, result_.NewMessages.Size());
    EXPECT_EQ(1767434400, result_.NewMessages.At(0)->Date);
  }
}

// Nothing of the login goes out unless the server's certificate checks out,
// and a server without TLS is not talked to in plain text instead.
TEST_F(Pop3TlsPollTest, ARefusedServerHearsNoLogin) {
  ScriptedPop3Server secure(ServerTls::On);
  ScriptedPop3Server plain;
  ScriptThreeMessages(secure);
  ScriptThreeMessages(plain);
  const struct {
    const char* why;
    const ScriptedPop3Server& server;
    const char* host;
    bool trusted;
    platform::TlsFailure failure;
  } cases[] = {
      // Before the certificate is trusted: the stand-in forgets it only on Reset.
      {"not trusted", secure, "localhost", false, platform::TlsFailure::UnknownIssuer},
      {"another name", secure, "127.0.0.1", true, platform::TlsFailure::OtherName},
      {"no TLS", plain, "localhost", true, platform::TlsFailure::NotTls},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    if (c.trusted) Trust();
    request_.PopServerName = c.host;
    EXPECT_EQ(kPollNotConnected, Poll(c.server));
    EXPECT_EQ(c.failure, result_.TlsFailure);
  }
  EXPECT_TRUE(secure.Commands().empty());
  // The plain server heard the client's hello, and no login.
  for (const std::string& heard : plain.Commands()) {
    EXPECT_EQ(std::string::npos, heard.find("USER"));
    EXPECT_EQ(std::string::npos, heard.find("secret"));
  }
}

}  // namespace
