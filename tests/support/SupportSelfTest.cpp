// The test servers themselves: a test of the poll that passes against a
// broken server proves nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/DovecotServer.h"
#include "tests/support/ScriptedPop3Server.h"

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// A deliberately plain blocking client, independent of the program's code.
class Client {
 public:
  explicit Client(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~Client() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Connected() const { return fd_ >= 0; }
  void Close() {
    ::close(fd_);
    fd_ = -1;
  }

  void Send(const std::string& bytes) { ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size())); }

  // Appends what one recv brings within timeoutMs; false when nothing came
  // or the stream ended (then *ended is set).
  bool ReceiveSome(std::string& into, int timeoutMs, bool* ended = nullptr) {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) <= 0) return false;
    char buffer[65536];
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
    if (got <= 0) {
      if (ended != nullptr) *ended = true;
      return false;
    }
    into.append(buffer, static_cast<size_t>(got));
    ++receives_;
    return true;
  }

  // Everything until the terminator has arrived (or the stream ends or
  // nothing comes for timeoutMs).
  std::string ReadUntil(const std::string& terminator, int timeoutMs = 3000) {
    std::string text;
    while (text.size() < terminator.size() ||
           text.compare(text.size() - terminator.size(), terminator.size(), terminator) != 0) {
      if (!ReceiveSome(text, timeoutMs)) break;
    }
    return text;
  }
  std::string Line() { return ReadUntil("\r\n"); }
  std::string Command(const std::string& line) {
    Send(line + "\r\n");
    return Line();
  }

  // Reads until the server closes; false when it did not within timeoutMs.
  bool ReadToEnd(std::string& text, int timeoutMs = 3000) {
    bool ended = false;
    while (ReceiveSome(text, timeoutMs, &ended)) {
    }
    return ended;
  }

  int Receives() const { return receives_; }

 private:
  int fd_ = -1;
  int receives_ = 0;
};

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The first Received header of a TOP reply, with its continuation lines:
// the one the last server to handle the message wrote.
std::string TopmostReceived(const std::string& topReply) {
  size_t start = topReply.find("\r\nReceived: ");
  const size_t headersEnd = topReply.find("\r\n\r\n");
  if (start == std::string::npos || start > headersEnd) return "";
  start += 2;
  size_t end = start;
  do {
    end = topReply.find("\r\n", end) + 2;
  } while (end < topReply.size() && (topReply[end] == ' ' || topReply[end] == '\t'));
  return topReply.substr(start, end - start);
}

// --- Dovecot ----------------------------------------------------------------

TEST(DovecotServerTest, ServesLmtpDeliveriesWithTheFakedDateAndDroppedFilesAsTheyAre) {
  VESTUN_REQUIRE_DOVECOT();
  DovecotServer server;
  // A user added before the start is known to it.
  ASSERT_TRUE(server.AddUser("tester", "secret")) << server.LastError();
  ASSERT_TRUE(server.Start()) << server.LastError();
  ASSERT_NE(server.Port(), 0);

  ASSERT_TRUE(server.Deliver("tester", "From: a@example.org\nSubject: first\n\n.dotted line\n",
                             "2026-01-02 03:04:05"))
      << server.LastError();
  ASSERT_TRUE(server.Deliver("tester", "Subject: second\r\n\r\nnow\r\n")) << server.LastError();
  ASSERT_TRUE(server.Drop("tester", "Received: odd; Tue, 01 Jan 2030 00:00:00 +0000\nSubject: dropped\n\nx\n"))
      << server.LastError();

  Client client(server.Port());
  ASSERT_TRUE(client.Connected());
  EXPECT_TRUE(StartsWith(client.Line(), "+OK"));
  EXPECT_TRUE(StartsWith(client.Command("USER tester"), "+OK"));
  EXPECT_TRUE(StartsWith(client.Command("PASS secret"), "+OK")) << server.Log();
  EXPECT_TRUE(StartsWith(client.Command("STAT"), "+OK 3 "));

  client.Send("TOP 1 1\r\n");
  const std::string first = client.ReadUntil("\r\n.\r\n");
  const std::string received = TopmostReceived(first);
  EXPECT_NE(received.find("LMTP"), std::string::npos) << received;
  EXPECT_NE(received.find("; Fri, 02 Jan 2026 03:04:05 +0000\r\n"), std::string::npos) << received;
  // The body line keeps its dot (stuffed on the wire).
  EXPECT_NE(first.find("\r\n..dotted line\r\n"), std::string::npos) << first;

  // Without a date the stamp is today's, not the faked one.
  client.Send("TOP 2 0\r\n");
  const std::string second = client.ReadUntil("\r\n.\r\n");
  EXPECT_NE(TopmostReceived(second).find(" with LMTP"), std::string::npos) << second;
  EXPECT_EQ(second.find("2026 03:04:05"), std::string::npos) << second;

  client.Send("TOP 3 0\r\n");
  const std::string dropped = client.ReadUntil("\r\n.\r\n");
  EXPECT_EQ(TopmostReceived(dropped), "Received: odd; Tue, 01 Jan 2030 00:00:00 +0000\r\n") << dropped;
  EXPECT_TRUE(StartsWith(client.Command("QUIT"), "+OK"));
}

TEST(DovecotServerTest, RefusesAWrongPasswordAndFillsLargeBoxesQuickly) {
  VESTUN_REQUIRE_DOVECOT();
  DovecotServer server;
  ASSERT_TRUE(server.Start()) << server.LastError();
  // Users added to a running server count at once.
  ASSERT_TRUE(server.AddUser("bulk", "pw")) << server.LastError();
  const auto started = Clock::now();
  ASSERT_TRUE(server.DeliverMany("bulk", 2000, "2026-05-06 07:08:09")) << server.LastError();
  EXPECT_LT(ElapsedMs(started), 20000);

  {
    Client client(server.Port());
    client.Line();
    client.Command("USER bulk");
    EXPECT_TRUE(StartsWith(client.Command("PASS wrong"), "-ERR"));
  }
  Client client(server.Port());
  client.Line();
  client.Command("USER bulk");
  ASSERT_TRUE(StartsWith(client.Command("PASS pw"), "+OK")) << server.Log();
  EXPECT_TRUE(StartsWith(client.Command("STAT"), "+OK 2000 "));
  // The box keeps delivery order, and each copy has its own stamp line.
  for (const int n : {1, 2, 2000}) {
    client.Send("TOP " + std::to_string(n) + " 0\r\n");
    const std::string top = client.ReadUntil("\r\n.\r\n");
    EXPECT_NE(top.find("\r\nSubject: Message " + std::to_string(n) + "\r\n"), std::string::npos) << top;
    EXPECT_NE(TopmostReceived(top).find("; Wed, 06 May 2026 07:08:09 +0000\r\n"), std::string::npos) << top;
  }
}

TEST(DovecotServerTest, StopEndsTheServer) {
  VESTUN_REQUIRE_DOVECOT();
  DovecotServer server;
  ASSERT_TRUE(server.Start()) << server.LastError();
  const uint16_t port = server.Port();
  server.Stop();
  EXPECT_FALSE(server.Running());
  EXPECT_FALSE(Client(port).Connected());
}

// --- Scripted server ----------------------------------------------------------

TEST(ScriptedPop3ServerTest, AnswersByRuleAndRecordsEveryCommand) {
  ScriptedPop3Server server;
  ASSERT_NE(server.Port(), 0);
  server.On("STAT", Reply("+OK 3 1200\r\n"));
  server.OnPrefix("TOP ", Reply("+OK top\r\n.\r\n"));
  server.OnPrefix("TOP 2", Reply("-ERR longer prefix\r\n"));
  server.On("TOP 2 1", Reply("+OK exact\r\n.\r\n"));

  Client client(server.Port());
  EXPECT_EQ(client.Line(), "+OK ready\r\n");
  EXPECT_EQ(client.Command("STAT"), "+OK 3 1200\r\n");
  EXPECT_EQ(client.Command("stat"), "-ERR unknown command\r\n");
  std::string extra;
  EXPECT_FALSE(client.ReceiveSome(extra, 100)) << extra;  // one reply per command, no more
  client.Send("TOP 1 1\r\n");
  EXPECT_EQ(client.ReadUntil("\r\n.\r\n"), "+OK top\r\n.\r\n");
  EXPECT_EQ(client.Command("TOP 2 0"), "-ERR longer prefix\r\n");
  client.Send("TOP 2 1\r\n");
  EXPECT_EQ(client.ReadUntil("\r\n.\r\n"), "+OK exact\r\n.\r\n");
  // Two commands in one packet get two replies, in order.
  client.Send("STAT\r\nSTAT\r\n");
  EXPECT_EQ(client.ReadUntil("1200\r\n+OK 3 1200\r\n"), "+OK 3 1200\r\n+OK 3 1200\r\n");
  EXPECT_EQ(client.Command("QUIT"), "+OK bye\r\n");
  std::string rest;
  EXPECT_TRUE(client.ReadToEnd(rest));
  EXPECT_EQ(rest, "");

  EXPECT_EQ(server.Commands(), (std::vector<std::string>{"STAT", "stat", "TOP 1 1", "TOP 2 0", "TOP 2 1",
                                                         "STAT", "STAT", "QUIT"}));
  EXPECT_EQ(server.Connections(), 1u);
}

TEST(ScriptedPop3ServerTest, EmptyPrefixAnswersEverythingAndAPartialLineIsRecorded) {
  ScriptedPop3Server server;
  server.OnPrefix("", Reply("-ERR no\r\n"));
  server.SetGreeting(Reply("+OK other greeting\r\n"));
  Client client(server.Port());
  EXPECT_EQ(client.Line(), "+OK other greeting\r\n");
  EXPECT_EQ(client.Command("USER a"), "-ERR no\r\n");
  EXPECT_EQ(client.Command("QUIT"), "+OK bye\r\n");  // exact rules still win
  Client second(server.Port());
  second.Line();
  second.Send("NOOP");
  second.Close();
  ASSERT_TRUE(server.WaitForCommands(3, 2000));
  EXPECT_EQ(server.Commands(), (std::vector<std::string>{"USER a", "QUIT", "NOOP"}));
  EXPECT_EQ(server.Connections(), 2u);
}

TEST(ScriptedPop3ServerTest, SendsAReplyInTimedPieces) {
  ScriptedPop3Server server;
  std::string headers;
  for (int i = 0; headers.size() < 100 * 1024; ++i) headers += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'h') + "\n";
  headers += ".starts with a dot\n";
  const Reply big = Reply::MultiLine("+OK", headers);
  ASSERT_GT(big.Bytes.size(), 100u * 1024);
  EXPECT_NE(big.Bytes.find("\r\n..starts with a dot\r\n.\r\n"), std::string::npos);
  server.OnPrefix("TOP", Reply(big).InPieces(20, 20));

  Client client(server.Port());
  client.Line();
  const auto started = Clock::now();
  client.Send("TOP 1 0\r\n");
  const std::string got = client.ReadUntil("\r\n.\r\n");
  EXPECT_EQ(got, big.Bytes);
  // 19 pauses of 20 ms; the pieces arrive apart (a busy machine may let a
  // reader take two at once now and then).
  EXPECT_GE(ElapsedMs(started), 19 * 20);
  EXPECT_GE(client.Receives(), 15);
}

TEST(ScriptedPop3ServerTest, CutsTheConnectionMidReply) {
  ScriptedPop3Server server;
  server.On("TOP 1 1", Reply::MultiLine("+OK", "Received: x\nSubject: y\n").CutAfter(10));
  server.SetGreeting(Reply("+OK hi\r\n"));
  Client client(server.Port());
  client.Line();
  client.Send("TOP 1 1\r\n");
  std::string got;
  ASSERT_TRUE(client.ReadToEnd(got));
  EXPECT_EQ(got, "+OK\r\nRecei");

  // A greeting can be cut too.
  server.SetGreeting(Reply("+OK hello\r\n").CutAfter(3));
  Client second(server.Port());
  std::string greeting;
  ASSERT_TRUE(second.ReadToEnd(greeting));
  EXPECT_EQ(greeting, "+OK");
}

TEST(ScriptedPop3ServerTest, GoesSilentAndStillShutsDownAtOnce) {
  auto server = std::make_unique<ScriptedPop3Server>();
  server->On("STAT", Reply::Silence());
  server->On("NOOP", Reply("+OK\r\n"));
  Client client(server->Port());
  client.Line();
  client.Send("STAT\r\n");
  std::string nothing;
  EXPECT_FALSE(client.ReceiveSome(nothing, 300));
  // Silence lasts: later commands are heard, never answered.
  client.Send("NOOP\r\n");
  ASSERT_TRUE(server->WaitForCommands(2, 2000));
  EXPECT_FALSE(client.ReceiveSome(nothing, 200));

  // A client blocked in a read while the server goes away sees the end.
  auto reader = std::async(std::launch::async, [&client] {
    std::string text;
    return client.ReadToEnd(text, 10000);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto started = Clock::now();
  server.reset();
  EXPECT_LT(ElapsedMs(started), 500);
  EXPECT_TRUE(reader.get());
}

TEST(ScriptedPop3ServerTest, ShutsDownDuringALongDelayAndWithAClientThatDoesNotRead) {
  const auto started = Clock::now();
  {
    ScriptedPop3Server server;
    server.On("SLOW", Reply("+OK slow\r\n").Chunks(1, 60000));
    // Far more than the socket buffers hold, to a client that never reads.
    server.On("FLOOD", Reply(std::string(16 * 1024 * 1024, 'x')));
    Client slow(server.Port());
    slow.Line();
    slow.Send("SLOW\r\n");
    Client flooded(server.Port());
    flooded.Line();
    flooded.Send("FLOOD\r\n");
    ASSERT_TRUE(server.WaitForCommands(2, 2000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_LT(ElapsedMs(started), 2000);
}

TEST(ScriptedPop3ServerTest, GarbageIsReproducibleAndNeverAFinishedLine) {
  const Reply garbage = Reply::Garbage(5000, 7);
  EXPECT_EQ(garbage.Bytes.size(), 5000u);
  EXPECT_EQ(garbage.Bytes, Reply::Garbage(5000, 7).Bytes);
  EXPECT_NE(garbage.Bytes, Reply::Garbage(5000, 8).Bytes);
  EXPECT_NE(garbage.Bytes.substr(garbage.Bytes.size() - 2), "\r\n");
  EXPECT_NE(garbage.Bytes.find('\0'), std::string::npos);

  ScriptedPop3Server server;
  server.SetGreeting(garbage);
  Client client(server.Port());
  std::string got;
  while (got.size() < 5000 && client.ReceiveSome(got, 2000)) {
  }
  EXPECT_EQ(got, garbage.Bytes);
}

}  // namespace
