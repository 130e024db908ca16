// Polls against our scripted server, for replies no real server sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "mail/Pop3Poll.h"
#include "mail/SeenMessages.h"
#include "platform/Owned.h"
#include "platform/host/HostControl.h"
#include "tests/support/ScriptedPop3Server.h"

namespace {

constexpr uint32_t kShortWaitMs = 400;
using Dates = std::vector<int32_t>;
using Filing = std::pair<Dates, Dates>;  // the dates of the new messages, then of the seen ones

// Delivered on the given day of January 2026 at 10:00 UTC: the stamp, the time.
std::string Stamp(int day) {
  return "Received: by pop.example.org; " + std::to_string(day) + " Jan 2026 10:00:00 +0000";
}
int32_t Day(int day) { return 1767225600 + (day - 1) * 86400 + 36000; }

void Script(ScriptedPop3Server& server) {
  server.On("USER tester", Reply("+OK\r\n"));
  server.On("PASS secret", Reply("+OK\r\n"));
}

// Holds messages delivered on the given days, numbered from 1, and answers
// UIDL with `listing` (a refusal when empty).
void Deliver(ScriptedPop3Server& server, const std::vector<int>& days, const std::string& listing = "") {
  server.On("STAT", Reply("+OK " + std::to_string(days.size()) + " 1200\r\n"));
  for (size_t j = 0; j < days.size(); ++j)
    server.On("TOP " + std::to_string(j + 1) + " 1", Reply::MultiLine("+OK", Stamp(days[j])));
  server.On("UIDL", listing.empty() ? Reply("-ERR\r\n") : Reply::MultiLine("+OK", listing));
}

size_t CountOf(const std::vector<std::string>& commands, const std::string& prefix) {
  return std::count_if(commands.begin(), commands.end(),
                       [&](const std::string& command) { return command.rfind(prefix, 0) == 0; });
}

class Pop3PollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    host::Reset();
    lock_.Reset(platform::OpenLock("POP3_11024"));
    request_.PopServerName = "127.0.0.1";
    request_.Port = server_.Port();
    request_.Login = "tester";
    request_.Password = "secret";
    request_.CheckLock = lock_.Get();
    request_.SendErrors = 0;
    request_.Timeouts.ReceiveMs = kShortWaitMs;
    Script(server_);
  }
  void DateMode(int acknowledgedDay) {
    request_.TandrelMode = 0;
    request_.LastMsgDate = Day(acknowledgedDay);
  }

  // Polls `server` (by default the port polled last); keeps what it filed
  // and the commands it sent.
  int32_t Poll(ScriptedPop3Server* server = nullptr) {
    if (server != nullptr) request_.Port = server->Port();
    const ScriptedPop3Server& heard = server != nullptr ? *server : server_;
    const size_t before = heard.Commands().size();
    PollResult result;
    const int32_t code = CheckMailbox(request_, result);
    stat_ = result.StatCount;
    tlsFailure_ = result.TlsFailure;
    filed_ = {};
    for (int32_t i = 0; i < result.NewMessages.Size(); ++i)
      filed_.first.push_back(result.NewMessages.At(i)->Date);
    for (int32_t i = 0; i < result.OldMessages.Size(); ++i)
      filed_.second.push_back(result.OldMessages.At(i)->Date);
    const std::vector<std::string> all = heard.Commands();
    sent_.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    return code;
  }

  ScriptedPop3Server server_;
  platform::OwnedLock lock_;
  PollRequest request_;
  int32_t stat_ = -1;
  platform::TlsFailure tlsFailure_ = platform::TlsFailure::None;
  Filing filed_;
  std::vector<std::string> sent_;
};

TEST_F(Pop3PollTest, RefusalsEndThePollWithoutQuit) {
  server_.On("USER tester", Reply("-ERR who?\r\n"));
  EXPECT_EQ(kPollUserRefused, Poll());
  server_.On("USER tester", Reply("+OK\r\n"));
  server_.On("PASS secret", Reply("-ERR no\r\n"));
  EXPECT_EQ(kPollPasswordRefused, Poll());
  server_.On("USER tester", Reply("").ThenClose());
  EXPECT_EQ(kPollUserRefused, Poll()) << "a closed connection gives an empty reply";
  request_.Login = "tester\r\nDELE 1";
  EXPECT_EQ(kPollUserRefused, Poll()) << "a line break would smuggle a second command";
  EXPECT_EQ(4u, server_.Connections());
  for (const std::string& command : server_.Commands())
    EXPECT_TRUE(command.rfind("USER tester", 0) == 0 || command == "PASS secret")
        << "no QUIT after a refusal";

  request_.Login = "tester";
  request_.PopServerName = "no-such-host.invalid";
  EXPECT_EQ(kPollHostNotFound, Poll());
  request_.PopServerName = "127.0.0.1";
  request_.Port = 1;
  EXPECT_EQ(kPollNotConnected, Poll());
  std::thread([&] { EXPECT_EQ(platform::LockTake::Taken, platform::TakeLock(lock_.Get(), 0)); }).join();
}

// A poll that ended holding the box's lock costs the box one round: the next
// poll reports it busy and lets go. A result is handed on while the box is
// held: meanwhile a poll finds the box busy, and one that may wait polls once
// it is free.
TEST_F(Pop3PollTest, TheResultIsHandedOnWhileTheBoxIsHeld) {
  server_.On("STAT", Reply("+OK 2 10\r\n"));
  std::thread([&] { platform::TakeLock(lock_.Get(), 0); }).join();
  EXPECT_EQ(kPollBusy, Poll());
  int32_t handed = -100, meanwhile = 0, waited = 0;
  PollRequest patient = request_;
  patient.BusyWaitMs = 10000;
  std::thread waiter;
  request_.Finished = [&](int32_t code, PollResult&) {
    handed = code;
    PollResult other;
    std::thread([&] { meanwhile = CheckMailbox(request_, other); }).join();
    waiter = std::thread([&] {
      PollResult later;
      waited = CheckMailbox(patient, later);
    });
  };
  EXPECT_EQ(2, Poll());
  waiter.join();
  EXPECT_EQ(2, handed);
  EXPECT_EQ(kPollBusy, meanwhile);
  EXPECT_EQ(2, waited);
  EXPECT_EQ(2u, server_.Connections()) << "a busy box is not polled by a poll that does not wait";
}

// Header blocks without a date, and messages deleted since STAT, are new
// mail of no date. A poll opens at most one report, where the user wants
// them, for the first block without a date.
TEST_F(Pop3PollTest, UnreadableHeadersAreNewMailAndOpenOneReportPerPoll) {
  const std::string start =
      "mailto:vestun@example.org?subject="
      "Ошибка%20Вестна:%20Не%20удалось%20распознать%20заголовок%20письма&body=";
  const Reply block = Reply::MultiLine("+OK", "Subject: a&b #1 100% Я\r\nX: " + std::string(200, '#'));
  struct Case {
    const char* what;
    Reply top;
    int32_t sendErrors;
    std::string body;  // what the link's body begins with; empty: no report
  } cases[] = {
      {"fifty header blocks", block, 1,
       "%2BOK%0D%0ASubject%3A%20a%26b%20%231%20100%25%20%DF%0D%0AX%3A%20%23%23"},
      {"fifty header blocks, no reports wanted", block, 0, ""},
      {"fifty deleted messages", Reply("-ERR no such message\r\n"), 1, ""},
  };
  request_.TandrelMode = 0;
  server_.On("STAT", Reply("+OK 50 5000\r\n"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    request_.SendErrors = c.sendErrors;
    server_.OnPrefix("TOP", c.top);
    const size_t before = host::ShellCalls().size();
    EXPECT_EQ(50, Poll());
    EXPECT_EQ(Dates(50, 0), filed_.first);
    const auto all = host::ShellCalls();
    ASSERT_EQ(c.body.empty() ? 0u : 1u, all.size() - before);
    if (c.body.empty()) continue;
    const std::string& link = all.back().target;
    EXPECT_EQ(start + c.body, link.substr(0, start.size() + c.body.size()));
    EXPECT_LE(link.size(), 499u);
    EXPECT_EQ('%', link[link.size() - 3]) << "cut at a whole escape: " << link;
    EXPECT_EQ("", all.back().params) << "the report goes to the shell whole";
  }
}

// Servers that would hold the box for hours: each poll ends within its
// time-outs, and nothing more is asked of a server that is gone.
TEST_F(Pop3PollTest, HostileServersCannotHoldTheBox) {
  struct Case {
    const char* what;
    uint32_t receiveMs;
    Reply greeting, stat, top;
    int32_t code;
    size_t mostCommands;
  } cases[] = {
      {"silent", kShortWaitMs, Reply::Silence(), Reply(), Reply(), kPollUserRefused, 0},
      {"a hundred bytes, one every 100 ms", kShortWaitMs,
       Reply("+OK" + std::string(95, '.') + "\r\n").Chunks(1, 100), Reply(), Reply(), kPollUserRefused, 0},
      // 8 MiB of one header block: only the byte bound ends it in time.
      {"endless header block", 30000, Reply("+OK\r\n"), Reply("+OK 2 100\r\n"),
       Reply("+OK\r\n" + Stamp(1) + "\r\n" + std::string(8 << 20, 'h')).Chunks(1 << 16, 0), 1, 5},
      {"two thousand million, then gone", kShortWaitMs, Reply("+OK\r\n"),
       Reply("+OK 2147483647\r\n").ThenClose(), Reply(), 0, 4},
      {"two thousand million, each answered", kShortWaitMs, Reply("+OK\r\n"), Reply("+OK 2147483647\r\n"),
       Reply("-ERR\r\n"), kMaxExamined, 5 + kMaxExamined},
  };
  request_.TandrelMode = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    request_.Timeouts.ReceiveMs = c.receiveMs;
    ScriptedPop3Server server;
    server.SetGreeting(c.greeting);
    Script(server);
    server.On("STAT", c.stat);
    server.OnPrefix("TOP", c.top);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.code, Poll(&server));
    EXPECT_LE(sent_.size(), c.mostCommands);
    // Ten thousand answered TOPs are bounded by their count, which a slow
    // machine (a sanitizer, a busy CI) can take seconds to go through.
    if (c.code == kMaxExamined) {
      EXPECT_EQ("TOP 2147473648 1", sent_.at(4)) << "the newest are examined";
    } else {
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6)) << "far below ten seconds";
    }
  }
}

// What the server offers changes how the headers are asked for, never which
// messages are new. A second poll, after a fourth message has come, reads
// only the new one's header where the server lists unique ids. Every server
// here loses what comes with the password.
TEST_F(Pop3PollTest, WhatAServerOffersChangesTheDialogueNeverWhatIsNew) {
  struct Case {
    const char* what;
    const char* capa;  // CAPA's lines; null: CAPA refused
    bool listed;       // UIDL answered
    bool pipelines, asksUidl;
  } cases[] = {
      {"no CAPA", nullptr, true, false, false},
      {"CAPA of nothing of use", "TOP\r\nUSER\r\nUIDLX", true, false, false},
      {"PIPELINING", "PIPELINING", false, true, false},
      {"UIDL", "UIDL", true, false, true},
      {"UIDL offered, then refused", "UIDL", false, false, true},
      {"both, in small letters", "pipelining\r\nuidl", true, true, true},
  };
  DateMode(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedPop3Server server;
    Script(server);
    server.DropWithPass();
    if (c.capa != nullptr) server.On("CAPA", Reply::MultiLine("+OK", c.capa));
    request_.Seen = std::make_shared<SeenMessages>();
    Deliver(server, {1, 2, 3}, c.listed ? "1 a\n2 b\n3 c" : "");
    Poll(&server);
    Deliver(server, {1, 2, 3, 4}, c.listed ? "1 a\n2 b\n3 c\n4 d" : "");
    Poll(&server);
    EXPECT_EQ(filed_, (Filing{{Day(3), Day(4)}, {Day(1), Day(2)}}));
    const bool remembers = c.asksUidl && c.listed;
    EXPECT_EQ(remembers ? 1u : 4u, CountOf(sent_, "TOP "));
    EXPECT_EQ(remembers ? "TOP 4 1" : "TOP 1 1", sent_.at(c.asksUidl ? 5 : 4));
    EXPECT_EQ(c.pipelines, server.MostCommandsAhead() > 1);
  }
}

// Listings that cannot be trusted whole, whose ids changed since the first
// poll (a, b, c on the 1st, 2nd and 3rd, all seen), or another mailbox's: the
// 4th's new message is still found, and only ids that still stand for what
// they stood for spare a header. A broken-off listing leaves the box as it was.
TEST_F(Pop3PollTest, NoListingHidesANewMessage) {
  struct Case {
    const char* what;
    std::vector<int> days;  // of the second poll's messages
    Reply listing;
    size_t tops;  // 0: the poll fails
    const char* login = "tester";
  } cases[] = {
      {"cut short by the connection", {1, 2, 4}, Reply("+OK\r\n1 a\r\n2 b\r\n3 c").ThenClose(), 0},
      {"cut short by the time-out", {1, 2, 4}, Reply("+OK\r\n1 a\r\n2 b\r\n3 c"), 0},
      {"an id listed twice", {1, 2, 4}, Reply::MultiLine("+OK", "1 a\n2 b\n3 a"), 2},
      {"an id of a gone message given to a new one", {2, 3, 4}, Reply::MultiLine("+OK", "1 b\n2 c\n3 a"), 1},
      {"a line without an id", {1, 2, 4}, Reply::MultiLine("+OK", "1 a\n2 b\n3"), 3},
      {"an id too long", {1, 2, 4}, Reply::MultiLine("+OK", "1 a\n2 b\n3 " + std::string(71, 'c')), 3},
      {"a line cut after a known id",
       {1, 2, 4},
       Reply::MultiLine("+OK", "1 a\n2 b\n3" + std::string(80, ' ') + "cxyz"),
       3},
      {"a number out of range", {1, 2, 4}, Reply::MultiLine("+OK", "1 a\n2 b\n4 c"), 3},
      {"the same ids in another mailbox", {1, 2, 4}, Reply::MultiLine("+OK", "1 a\n2 b\n3 c"), 3, "other"},
  };
  DateMode(3);
  request_.PreviousCount = 5;
  server_.On("CAPA", Reply::MultiLine("+OK", "UIDL\r\nPIPELINING"));
  server_.On("USER other", Reply("+OK\r\n"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    request_.Login = "tester";
    request_.Seen = std::make_shared<SeenMessages>();
    Deliver(server_, {1, 2, 3}, "1 a\n2 b\n3 c");
    ASSERT_EQ(0, Poll());
    Deliver(server_, c.days);
    server_.On("UIDL", c.listing);
    request_.Login = c.login;
    if (c.tops == 0) {
      EXPECT_EQ(5, Poll());
      EXPECT_EQ(-1, stat_);
    } else {
      EXPECT_EQ(1, Poll());
      EXPECT_EQ(c.tops, CountOf(sent_, "TOP "));
      EXPECT_EQ(Dates{Day(4)}, filed_.first);
    }
  }
}

// A server that stops reading in the middle of a window of TOPs: the window
// stays small enough for the socket's buffers, so no send waits, and the
// poll ends with the reply time-out.
TEST_F(Pop3PollTest, AServerThatStopsReadingCannotHoldTheBox) {
  request_.TandrelMode = 0;
  server_.On("CAPA", Reply::MultiLine("+OK", "PIPELINING"));
  server_.On("STAT", Reply("+OK 10000 1\r\n"));
  server_.OnPrefix("TOP ", Reply::MultiLine("+OK", Stamp(1)));
  server_.StopReadingAfter(20);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(16, Poll()) << "the TOPs answered before the server stopped";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_LE(server_.MostBytesAhead(), kPipelineWindowBytes);
  EXPECT_GT(server_.MostBytesAhead(), kPipelineWindowBytes / 2) << "a window was out";
}

// Over TLS the dialogue is the same once the handshake succeeds, and a
// refused handshake hears no login, not even in plain text. The rest of an
// oversized reply must not pass for the next message's header.
TEST_F(Pop3PollTest, EachModesDialogueInPlainTextAndOverTls) {
  server_.On("STAT", Reply("-ERR maildir locked\r\n"));
  request_.PreviousCount = 4;
  EXPECT_EQ(4, Poll()) << "a broken STAT keeps the previous count";
  EXPECT_EQ(-1, stat_);
  EXPECT_EQ("QUIT", sent_.back());
  Deliver(server_, {1, 2, 3});
  const std::string huge = Stamp(1) + "\r\n" + std::string(100 * 1024, 'X');
  server_.On("TOP 1 1", Reply::MultiLine("+OK", huge).Chunks(huge.size() / 40, 0));
  server_.On("TOP 2 1", Reply::MultiLine("+OK", Stamp(2) + "\r\n" + std::string(9000, 'y')).Chunks(1000, 1));
  for (bool tls : {false, true}) {
    request_.Tls = tls;
    request_.TandrelMode = 1;
    EXPECT_EQ(3, Poll());
    EXPECT_EQ(sent_, (std::vector<std::string>{"USER tester", "PASS secret", "STAT", "QUIT"}));
    DateMode(2);
    ASSERT_EQ(1, Poll());
    EXPECT_EQ(sent_, (std::vector<std::string>{"USER tester", "PASS secret", "CAPA", "STAT", "TOP 1 1",
                                               "TOP 2 1", "TOP 3 1", "QUIT"}));
    EXPECT_EQ(filed_, (Filing{{Day(3)}, {Day(1), Day(2)}})) << "acknowledged to the second: not new";
  }
  host::EndTlsHandshakes(platform::TlsFailure::Expired);
  EXPECT_EQ(kPollNotConnected, Poll());
  EXPECT_EQ(platform::TlsFailure::Expired, tlsFailure_);
  EXPECT_TRUE(sent_.empty());
}

}  // namespace
