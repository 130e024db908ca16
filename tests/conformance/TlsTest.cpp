// TLS sessions against the servers tests/support/tls_world.sh starts: a
// Dovecot on port 995 of 127.0.0.1-8, a server that never answers, the
// misbehaving TLS servers of hostile_tls.py, a web site and two servers
// whose intermediate is to be fetched. The directory comes in
// VESTUN_TLS_WORLD; its logs show what the servers saw.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/trust/TestAuthority.h"

using namespace platform;

namespace {

constexpr uint32_t kTimeoutMs = 10000;

// One reply line of the server, without its CRLF ("" when it broke off);
// `pending` keeps what came after it.
std::string Reply(TlsSession session, std::string* pending) {
  for (;;) {
    const size_t end = pending->find("\r\n");
    if (end != std::string::npos) {
      std::string line = pending->substr(0, end);
      pending->erase(0, end + 2);
      return line;
    }
    char buffer[512];
    const int got = TlsReceiveSome(session, buffer, sizeof buffer, kTimeoutMs);
    if (got <= 0) return "";
    pending->append(buffer, static_cast<size_t>(got));
  }
}

// The reply to QUIT after a greeting, on a session of its own to port 995 of
// `address` ("" when anything failed).
std::string GreetAndQuit(const char* address, const char* host) {
  ConnectFailure connected;
  TlsFailure failure;
  const Socket socket = ConnectTcp(address, 995, kTimeoutMs, kTimeoutMs, &connected);
  TlsSession session = socket == kNoSocket ? nullptr : OpenTlsSession(socket, host, kTimeoutMs, &failure);
  std::string pending, reply;
  if (session != nullptr && Reply(session, &pending).substr(0, 3) == "+OK" &&
      TlsSendAll(session, "QUIT\r\n", 6, kTimeoutMs)) {
    reply = Reply(session, &pending);
  }
  CloseTlsSession(session);
  CloseSocket(socket);
  return reply;
}

class TlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* world = std::getenv("VESTUN_TLS_WORLD");
    ASSERT_NE(world, nullptr) << "VESTUN_TLS_WORLD is not set: ctest starts the servers and sets it";
    world_ = std::string("Z:") + world;  // Wine's drive for the Unix root
    ASSERT_TRUE(TrustTestAuthority((world_ + "/pki/ca.pem").c_str()));
  }

  void TearDown() override { CloseSocket(socket_); }

  Socket Connect(const std::string& address, uint16_t port) {
    CloseSocket(socket_);
    ConnectFailure failure;
    socket_ = ConnectTcp(address.c_str(), port, kTimeoutMs, kTimeoutMs, &failure);
    EXPECT_NE(socket_, kNoSocket) << address << ":" << port;
    return socket_;
  }

  // The port a server of the world wrote into DIR/name.port.
  uint16_t Port(const std::string& name) {
    const int port = std::atoi(Read("/" + name + ".port").c_str());
    EXPECT_GT(port, 0) << name;
    return static_cast<uint16_t>(port);
  }

  // A session for localhost with one of the world's servers: Dovecot's by
  // its address, on port 995; hostile_tls.py's on 127.0.0.1, by their mode.
  TlsSession Handshake(const std::string& server, TlsFailure* failure, uint32_t timeoutMs = kTimeoutMs) {
    const bool dovecot = server.compare(0, 4, "127.") == 0;
    return OpenTlsSession(Connect(dovecot ? server : "127.0.0.1", dovecot ? 995 : Port(server)), "localhost",
                          timeoutMs, failure);
  }

  std::string Read(const std::string& name) {
    std::ifstream file(world_ + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::string world_;
  Socket socket_ = kNoSocket;
};

// A login over TLS is the POP3S case's, against the real program. Here: the
// last server's certificate names nothing but the address typed, and comes
// with its intermediate.
TEST_F(TlsTest, SessionsOnSeveralThreadsAtOnceAndToAnAddressTyped) {
  std::string replies[4];
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&replies, i] {
      replies[i] = i < 3 ? GreetAndQuit("127.0.0.1", "localhost") : GreetAndQuit("127.0.0.5", "127.0.0.5");
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& reply : replies) EXPECT_EQ(reply, "+OK Logging out") << "QUIT before a login";
}

// A handshake ends by its time-out or names why. A server that leaves out
// the intermediate its certificate names the address of has it fetched from
// there, as for a browser, and an address that never answers ends the
// handshake in its time, by the download's own time-out (Windows) or the
// handshake's (Wine keeps none for downloads). The POP3S case has the
// program refuse 127.0.0.1-4 (another name, an unknown CA, expired, no TLS).
TEST_F(TlsTest, HandshakesEndInTheirTimeAndFetchAMissingIntermediateWithinIt) {
  const struct {
    const char* server;
    uint32_t timeoutMs;
    TlsFailure failure;
    TlsFailure orElse;
  } cases[] = {{"fetched", kTimeoutMs, TlsFailure::None, TlsFailure::None},
               {"stalled", 1000, TlsFailure::UnknownIssuer, TlsFailure::Stalled},
               {"silent", 1000, TlsFailure::Stalled, TlsFailure::Stalled},
               {"tls13", 1000, TlsFailure::NoCommonVersion, TlsFailure::NoCommonVersion},
               {"tls10", 1000, TlsFailure::NoCommonVersion, TlsFailure::NoCommonVersion},
               {"127.0.0.6", kTimeoutMs, TlsFailure::Untrusted, TlsFailure::Untrusted},  // for clients only
               {"127.0.0.7", kTimeoutMs, TlsFailure::Expired, TlsFailure::Expired},      // not valid yet
               // its intermediate is neither sent nor fetched
               {"127.0.0.8", kTimeoutMs, TlsFailure::UnknownIssuer, TlsFailure::UnknownIssuer}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.server);
    const auto started = std::chrono::steady_clock::now();
    TlsFailure failure = TlsFailure::NotTls;
    TlsSession session = Handshake(c.server, &failure, c.timeoutMs);
    EXPECT_TRUE(failure == c.failure || failure == c.orElse) << static_cast<int>(failure);
    EXPECT_EQ(session != nullptr, c.failure == TlsFailure::None);
    CloseTlsSession(session);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(5000));
  }
  EXPECT_NE(Read("/log/issuers.log").find("/issuer.cer HTTP/1.1"), std::string::npos);
}

// A receive ends by its time-out while empty records keep coming, and the
// longest record TLS 1.2 allows (255 bytes of CBC padding) is read.
TEST_F(TlsTest, EmptyRecordsEndAReceiveInTimeAndTheLongestIsRead) {
  TlsFailure failure = TlsFailure::NotTls;
  TlsSession session = Handshake("empty", &failure);
  ASSERT_NE(session, nullptr);
  const auto started = std::chrono::steady_clock::now();
  char buffer[64];
  EXPECT_EQ(TlsReceiveSome(session, buffer, sizeof buffer, 1000), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(5000));
  CloseTlsSession(session);
  session = Handshake("padded", &failure);
  ASSERT_NE(session, nullptr);
  std::string pending;
  const std::string greeting = Reply(session, &pending);
  EXPECT_EQ(greeting.size(), 16378u);
  EXPECT_EQ(greeting.substr(0, 5), "+OK x");
  CloseTlsSession(session);
}

// The stand-in reads addresses from a table, so only WinINet is asked here:
// an https address is read when its certificate is trusted and names the
// host, and fails when it names another.
TEST_F(TlsTest, ReadsAnHttpsAddressOnlyUnderItsCertificateName) {
  const std::string path = ":" + std::to_string(Port("site")) + "/version.txt";
  char body[16];
  EXPECT_EQ(ReadUrl(("https://localhost" + path).c_str(), body, sizeof body, kTimeoutMs), 5);
  EXPECT_EQ(std::string(body, 5), "2.14\n");
  EXPECT_EQ(ReadUrl(("https://127.0.0.1" + path).c_str(), body, sizeof body, kTimeoutMs), -1);
}

}  // namespace
