// Polls against our scripted server, for replies no real server sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "mail/Pop3Poll.h"
#include "mail/SeenMessages.h"
#include "platform/Owned.h"
#include "platform/host/HostControl.h"
#include "tests/support/Maildrop.h"
#include "tests/support/ScriptedPop3Server.h"

namespace {

constexpr uint32_t kShortWaitMs = 400;
constexpr size_t kAny = SIZE_MAX;
using Dates = std::vector<int32_t>;
using Filing = std::pair<Dates, Dates>;  // the dates of the new messages, then of the seen ones

using Letters = std::vector<Letter>;

Letters Days(std::initializer_list<int> days) {
  Letters letters;
  for (int day : days) letters.push_back({day});
  return letters;
}

void Script(ScriptedPop3Server& server) {
  server.On("USER tester", Reply("+OK\r\n"));
  server.On("PASS secret", Reply("+OK\r\n"));
}

// Serves the letters as a maildrop: STAT, LIST, UIDL and TOP of each. Over a
// slow line each listing comes in ten pieces, delayMs apart.
void Serve(ScriptedPop3Server& server, const Letters& letters, int delayMs = 0) {
  const Maildrop drop{"", letters};
  server.On("STAT", Reply(drop.Answer("STAT")));
  for (const char* listing : {"LIST", "UIDL"}) {
    Reply reply(drop.Answer(listing));
    if (delayMs > 0) reply.Chunks(reply.Bytes.size() / 10 + 1, delayMs);
    server.On(listing, reply);
  }
  for (size_t j = 1; j <= letters.size(); ++j) {
    const std::string top = "TOP " + std::to_string(j) + " 1";
    server.On(top, Reply(drop.Answer(top)));
  }
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

  // Polls `server` (by default the port polled last); keeps the result, the
  // dates it filed and the commands it sent.
  int32_t Poll(ScriptedPop3Server* server = nullptr) {
    if (server != nullptr) request_.Port = server->Port();
    const ScriptedPop3Server& heard = server != nullptr ? *server : server_;
    const size_t before = heard.Commands().size();
    result_ = PollResult();
    const int32_t code = CheckMailbox(request_, result_);
    filed_ = {};
    for (const MessageInfo& message : result_.NewMessages) filed_.first.push_back(message.Date);
    for (const MessageInfo& message : result_.OldMessages) filed_.second.push_back(message.Date);
    const std::vector<std::string> all = heard.Commands();
    sent_.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    return code;
  }

  ScriptedPop3Server server_;
  platform::OwnedLock lock_;
  PollRequest request_;
  PollResult result_;
  Filing filed_;
  std::vector<std::string> sent_;
};

TEST_F(Pop3PollTest, RefusalsEndThePollWithoutQuit) {
  server_.On("USER tester", Reply("-ERR who?\r\n"));
  EXPECT_EQ(kPollUserRefused, Poll());
  server_.On("USER tester", Reply("+OK\r\n"));
  server_.On("PASS secret", Reply("-ERR no\r\n"));
  EXPECT_EQ(kPollPasswordRefused, Poll());
  request_.Login = "tester\r\nDELE 1";
  EXPECT_EQ(kPollUserRefused, Poll()) << "a line break would smuggle a second command";
  EXPECT_EQ(3u, server_.Connections());
  for (const std::string& command : server_.Commands())
    EXPECT_TRUE(command.rfind("USER tester", 0) == 0 || command == "PASS secret")
        << "no QUIT after a refusal";

  request_.Login = "tester";
  request_.PopServerName = "no-such-host.invalid";
  EXPECT_EQ(kPollHostNotFound, Poll());
  request_.PopServerName = "127.0.0.1";
  request_.Port = 1;
  EXPECT_EQ(kPollNotConnected, Poll());
  request_.Port = server_.Port();
  request_.Tls = true;
  host::EndTlsHandshakes(platform::TlsFailure::Expired);
  EXPECT_EQ(kPollNotConnected, Poll());
  EXPECT_EQ(platform::TlsFailure::Expired, result_.TlsFailure);
  EXPECT_TRUE(sent_.empty()) << "a refused handshake hears no login, not even in plain text";
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

// Servers that would hold the box for hours or days: each poll ends within
// its time-outs and the poll's own bound, and nothing more is asked of a
// server that is gone. A poll that could not examine what it set out to
// keeps the box as it was (its previous count, 7).
TEST_F(Pop3PollTest, HostileServersCannotHoldTheBox) {
  const Reply header = Reply::MultiLine("+OK", Stamp(1));
  struct Case {
    const char* what;
    uint32_t receiveMs, pollMs;
    Reply greeting, stat, top;
    int32_t code;
    size_t mostCommands;
    size_t stopReadingAfter = SIZE_MAX;
  } cases[] = {
      {"silent", kShortWaitMs, 60000, Reply::Silence(), Reply(), Reply(), kPollUserRefused, 0},
      {"a hundred bytes, one every 100 ms", kShortWaitMs, 60000,
       Reply("+OK" + std::string(95, '.') + "\r\n").Chunks(1, 100), Reply(), Reply(), kPollUserRefused, 0},
      // 8 MiB of one header block: only the byte bound ends it in time.
      {"endless header block", 30000, 60000, Reply("+OK\r\n"), Reply("+OK 2 100\r\n"),
       Reply("+OK\r\n" + Stamp(1) + "\r\n" + std::string(8 << 20, 'h')).Chunks(1 << 16, 0), 7, 5},
      {"two thousand million, then gone", kShortWaitMs, 60000, Reply("+OK\r\n"),
       Reply("+OK 2147483647\r\n").ThenClose(), Reply(), 7, 4},
      {"two thousand million, each answered", kShortWaitMs, 60000, Reply("+OK\r\n"),
       Reply("+OK 2147483647\r\n"), Reply("-ERR\r\n"), kMaxExamined, 5 + kMaxExamined},
      {"each header just within its time-out", kShortWaitMs, 1500, Reply("+OK\r\n"), Reply("+OK 10000 1\r\n"),
       Reply(header).SplitAt(3).Chunks(header.Bytes.size() - 3, 300), 7, 10},
      // The TOPs out unanswered never fill the socket's buffers, so no send
      // waits on a server that has stopped reading.
      {"stops reading after twenty commands", kShortWaitMs, 60000, Reply("+OK\r\n"), Reply("+OK 10000 1\r\n"),
       header, 7, kAny, 20},
  };
  DateMode(0);
  request_.PreviousCount = 7;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    request_.Timeouts.ReceiveMs = c.receiveMs;
    request_.Timeouts.PollMs = c.pollMs;
    ScriptedPop3Server server;
    server.SetGreeting(c.greeting);
    Script(server);
    server.On("CAPA", Reply::MultiLine("+OK", "PIPELINING"));
    server.On("STAT", c.stat);
    server.OnPrefix("TOP", c.top);
    server.StopReadingAfter(c.stopReadingAfter);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.code, Poll(&server));
    EXPECT_LE(sent_.size(), c.mostCommands);
    EXPECT_LE(server.MostBytesAhead(), kPipelineWindowBytes);
    // Ten thousand answered TOPs are bounded by their count, which a slow
    // machine (a sanitizer, a busy CI) can take seconds to go through.
    if (c.code == kMaxExamined) {
      EXPECT_EQ("TOP 2147473648 1", sent_.at(4)) << "the newest are examined";
    } else {
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6)) << "far below ten seconds";
    }
  }
}

// What a server offers changes how the headers are asked for, never what
// is new. Servers as they are met give an id again once its letter is gone,
// give ids that are positions, lose pipelined commands or what comes with
// the password, fail at CAPA, list slowly, break a reply in two, put fields
// with a ";" above the Received field. Polled again and again, with the box
// changing in between, a poll with memory finds new what is later than the
// acknowledged day 2. A poll that meets a fault keeps the box as it was and
// may fail, but the fault must not outlive it: the next poll goes around it.
TEST_F(Pop3PollTest, NoServerMakesTheMemoryHideOrRepeatALetter) {
  struct Visit {
    Letters letters;
    std::function<void(ScriptedPop3Server&)> twist = nullptr;  // after the letters are served
    bool fails = false;
    size_t tops = kAny;
  };
  const auto uidl = [](const std::string& reply, const char* listing = "UIDL") {
    return [=](ScriptedPop3Server& server) { server.On(listing, Reply(reply)); };
  };
  const auto capa = [](Reply reply) {
    return [reply](ScriptedPop3Server& server) { server.On("CAPA", reply); };
  };
  const std::string rest = "X-Late: 1\r\n\r\nbody\r\n.\r\n";
  const std::string filtered =
      "+OK\r\nAuthentication-Results: mx.example.org; spf=pass smtp.mailfrom=example.org;\r\n"
      "\tdkim=pass header.s=s2024 header.b=x9Yz\r\n" +
      Stamp(4) + "\r\n.\r\n";
  const Visit three = {Days({1, 2, 3})}, four = {Days({1, 2, 3, 4})};
  const Visit readAll = {Days({1, 2, 3, 4}), {}, false, 4}, readNew = {Days({1, 2, 3, 4}), {}, false, 1};
  Letters thousand(1001);
  for (int day = 1; day <= 1001; ++day) thousand[day - 1].Day = day;
  const auto oversized = [](ScriptedPop3Server& server) {
    const std::string huge = Stamp(1) + "\r\n" + std::string(100 * 1024, 'X');
    server.On("TOP 1 1", Reply::MultiLine("+OK", huge).Chunks(huge.size() / 40, 0));
    server.On("TOP 2 1", Reply::MultiLine("+OK", Stamp(2) + "\r\n" + std::string(9000, 'y')).Chunks(1000, 1));
  };
  Visit undated = {{{1}, {2}, {3}, {0, "", "-ERR no such message\r\n"}, {0, "", "+OK\r\nX: 2\r\n.\r\n"}}};
  undated.twist = oversized;
  undated.tops = 5;
  std::vector<Visit> vouchless = {three};
  for (const auto& twist : {uidl("+OK\r\n1 m1\r\n2 m2\r\n3\r\n.\r\n"),
                            uidl("+OK\r\n1 m1\r\n2 m2\r\n3 " + std::string(71, 'c') + "\r\n.\r\n"),
                            uidl("+OK\r\n1 m1\r\n2" + std::string(80, ' ') + "m2\r\n3 m4\r\n.\r\n"),
                            uidl("+OK\r\n1 m1\r\n2 m2\r\n4 m4\r\n.\r\n"), uidl("-ERR\r\n", "LIST")})
    vouchless.insert(vouchless.end(), {{Days({1, 2, 4}), twist, false, 3}, {Days({1, 2, 4})}});
  struct Case {
    const char* what;
    std::vector<Visit> visits;
    int listingDelayMs = 0;
    bool pipelines = true;
    const char* capa = "PIPELINING\r\nUIDL";  // CAPA's lines; null: CAPA refused
    bool tls = false;
  } cases[] = {
      // Over TLS as in plain text. The rest of an oversized reply must not
      // pass for the next header; a TOP refused (the letter deleted since
      // STAT) and a block without a date are new mail of no date.
      {"over TLS, oversized and undated", {undated}, 0, false, nullptr, true},
      // A second poll reads only the new header where the server lists unique ids.
      {"no CAPA", {three, readAll}, 0, false, nullptr},
      {"CAPA of nothing of use", {three, readAll}, 0, false, "TOP\r\nUSER\r\nUIDLX"},
      {"PIPELINING", {three, readAll}, 0, true, "PIPELINING"},
      {"UIDL", {three, readNew}, 0, false, "UIDL"},
      {"both, in small letters", {three, readNew}, 0, true, "pipelining\r\nuidl"},
      {"an id given again once the box was emptied",
       {{{{1, "a"}, {2, "b"}, {3, "c"}}}, {{{5, "a"}}}, {{{5, "a"}, {6, "b"}}, {}, false, 1}}},
      {"ids that are positions", {{{{1, "1"}, {2, "2"}, {3, "3"}}}, {{{2, "1"}, {3, "2"}, {5, "3"}}}}},
      {"an id and a size given again further down", {{{{1, "a"}}}, {{{3}, {5, "a", "", 1007}}}}},
      {"an id listed twice", {three, {{{1}, {2, "m4"}, {4}}, {}, false, 2}}},
      {"listings that vouch for nothing", vouchless},
      {"a listing cut short, then not asked for a while",
       {three,
        {Days({1, 2, 3, 4}), uidl("+OK\r\n1 m1\r\n2 m2\r\n3 m3\r\n"), true},
        {Days({1, 2, 3, 4, 5}), uidl("-ERR not now\r\n"), false, 5}}},
      // Each listing takes ten times 60 ms, longer than a reply may.
      {"a slow long listing", {{{thousand.begin(), thousand.end() - 1}}, {thousand, {}, false, 1}}, 60},
      {"PIPELINING that drops",
       {{Days({1, 2, 3}), [](ScriptedPop3Server& s) { s.DropPipelined(); }, true},
        four,
        {Days({1, 2, 3, 4, 5}), {}, false, 1}}},
      {"a bare +OK to CAPA", {{Days({1, 2, 3}), capa(Reply("+OK\r\n")), true}, four}, 0, false},
      {"a hang-up on CAPA", {{Days({1, 2, 3}), capa(Reply("").ThenClose()), true}, four}, 0, false},
      {"an unstuffed dot",
       {{{{1}, {2, "", "+OK\r\n" + Stamp(2) + "\r\n.\r\n" + rest}, {3}}, {}, true}, {Days({1, 3, 4})}}},
      {"an -ERR and more lines",
       {{{{1}, {2, "", "-ERR gone\r\n" + rest}, {3}}, {}, true}, {Days({1, 3, 4})}}},
      {"fields with a \";\" above the Received field",
       {{Days({1, 3})}, {{{1}, {3}, {4, "", filtered}}}, {{{1}, {3}, {4, "", filtered}}, {}, false, 0}}},
  };
  DateMode(2);
  request_.PreviousCount = 7;
  for (const Case& c : cases) {
    ScriptedPop3Server server;
    Script(server);
    server.DropWithPass();
    if (c.capa != nullptr) server.On("CAPA", Reply::MultiLine("+OK", c.capa));
    request_.Seen = std::make_shared<SeenMessages>();
    request_.Tls = c.tls;
    for (size_t v = 0; v < c.visits.size(); ++v) {
      SCOPED_TRACE(std::string(c.what) + ", poll " + std::to_string(v + 1));
      const Visit& visit = c.visits[v];
      Serve(server, visit.letters, c.listingDelayMs);
      if (visit.twist) visit.twist(server);
      const int32_t code = Poll(&server);
      if (visit.fails) {
        EXPECT_EQ(7, code);
        EXPECT_EQ(-1, result_.StatCount);
        continue;
      }
      Filing expected;
      for (const Letter& letter : visit.letters)
        (letter.Day == 0 || letter.Day > 2 ? expected.first : expected.second)
            .push_back(letter.Day == 0 ? 0 : Day(letter.Day));
      EXPECT_EQ(expected, filed_);
      EXPECT_EQ("QUIT", sent_.back());
      EXPECT_EQ(static_cast<int32_t>(expected.first.size()), code);
      size_t tops = 0;
      for (const std::string& command : sent_) tops += command.rfind("TOP ", 0) == 0 ? 1 : 0;
      EXPECT_TRUE(visit.tops == kAny || visit.tops == tops) << tops << " TOPs";
    }
    EXPECT_EQ(c.pipelines, server.MostCommandsAhead() > 1) << c.what;
  }
}

// Count mode asks only STAT. In date mode a poll brings at most one
// report, where the user wants them, for the first block without a date,
// and leaves it to the poll's caller to open.
TEST_F(Pop3PollTest, CountModeAsksOnlyStatAndDateModeReportsOneUndatedBlock) {
  server_.On("STAT", Reply("-ERR maildir locked\r\n"));
  request_.PreviousCount = 4;
  EXPECT_EQ(4, Poll()) << "a broken STAT keeps the previous count";
  EXPECT_EQ(-1, result_.StatCount);
  const std::string undated = "+OK\r\nSubject: a&b #1 100% Я\r\nX: a" + std::string(200, '#') + "\r\n.\r\n";
  Serve(server_,
        {{3}, {0, "", "-ERR no such message\r\n"}, {0, "", undated}, {0, "", "+OK\r\nX: 2\r\n.\r\n"}});
  EXPECT_EQ(4, Poll());
  EXPECT_EQ(sent_, (std::vector<std::string>{"USER tester", "PASS secret", "STAT", "QUIT"}));
  DateMode(2);
  request_.SendErrors = 1;
  EXPECT_EQ(4, Poll());
  const std::string link =
      "\"mailto:vestun@example.org?subject=Ошибка%20Вестна:%20Не%20удалось%20распознать%20заголовок%"
      "20письма"
      "&body=%2BOK%0D%0ASubject%3A%20a%26b%20%231%20100%25%20%DF%0D%0AX%3A%20a%23%23";
  const std::string& report = result_.ErrorReport;
  EXPECT_EQ(link, report.substr(0, link.size()));
  EXPECT_LE(report.size(), 501u) << "the link fits the command runner";
  EXPECT_EQ('%', report[report.size() - 4]) << "cut at a whole escape: " << report;
  EXPECT_TRUE(host::ShellCalls().empty()) << "not while the box is held";
}

}  // namespace
