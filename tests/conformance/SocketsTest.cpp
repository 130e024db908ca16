// Name resolution and refused connections, as the poll relies on them; the
// data path is left to tests that have a server to talk to. On the host, the
// stand-in must also keep every test on this machine.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "platform/Platform.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/host/HostControl.h"
#endif

using namespace platform;

namespace {

class SocketsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(NetStartup()); }
  void TearDown() override { NetCleanup(); }
};

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t address;
  std::memcpy(&address, bytes, 4);
  return address;
}

TEST_F(SocketsTest, DottedAddressesAndLocalhostResolveInNetworkOrder) {
  const struct {
    const char* host;
    uint32_t address;
  } cases[] = {
      {"127.0.0.1", Address(127, 0, 0, 1)},
      {"10.20.30.40", Address(10, 20, 30, 40)},  // read, not looked up: nothing is sent there
      {"localhost", Address(127, 0, 0, 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    uint32_t address = 0;
    ASSERT_TRUE(ResolveHost(c.host, &address, 10000));
    EXPECT_EQ(address, c.address);
  }
  uint32_t address = 0;
  EXPECT_FALSE(ResolveHost("no-such-host.invalid", &address, 10000));
  EXPECT_FALSE(ResolveHost("", &address, 10000)) << "a box without a server name";
}

TEST_F(SocketsTest, RefusedConnectionGivesNoSocketWithinTheTimeOut) {
  const auto started = std::chrono::steady_clock::now();
  Socket socket = OpenTcpSocket();
  ASSERT_NE(socket, kNoSocket);
  EXPECT_FALSE(ConnectSocket(socket, Address(127, 0, 0, 1), 1, 3000));
  CloseSocket(socket);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(4000));
}

#ifndef _WIN32

// Only the stand-in: no resolver, no address outside 127.0.0.0/8. 0.0.0.0
// would reach this machine's own listener on Linux, so refusing it shows
// the check without sending anything anywhere else.
TEST_F(SocketsTest, StandInResolvesNoOtherNameAndConnectsOnlyToLoopback) {
  uint32_t address = 0;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(ResolveHost("pop.example.ru", &address, 10000));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
  host::AddHostName("Pop.Example.RU", "127.0.0.2");
  ASSERT_TRUE(ResolveHost("pop.example.ru", &address, 10000));
  EXPECT_EQ(address, Address(127, 0, 0, 2));
  host::Reset();
  EXPECT_FALSE(ResolveHost("pop.example.ru", &address, 10000));

  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof local;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&local), size), 0);
  ASSERT_EQ(::listen(listener, 2), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &size);
  for (const uint32_t target : {Address(0, 0, 0, 0), Address(127, 0, 0, 1)}) {
    Socket socket = OpenTcpSocket();
    EXPECT_EQ(ConnectSocket(socket, target, ntohs(local.sin_port), 3000), target == Address(127, 0, 0, 1));
    CloseSocket(socket);
  }
  ::close(listener);
}

TEST_F(SocketsTest, StandInServesAScriptedConnectionOnce) {
  host::ServeNextConnection("127.0.0.1", 1, "+OK hi\r\n", 3);
  Socket socket = OpenTcpSocket();
  ASSERT_TRUE(ConnectSocket(socket, Address(127, 0, 0, 1), 1, 3000));
  EXPECT_TRUE(SendAll(socket, "QUIT\r\n", 6, 3000));
  std::string received;
  char piece[16];
  for (int got; (got = ReceiveSome(socket, piece, sizeof piece, 3000)) > 0;) {
    EXPECT_LE(got, 3);
    received.append(piece, got);
  }
  CloseSocket(socket);
  EXPECT_EQ(received, "+OK hi\r\n");
  EXPECT_EQ(host::TakeServedRequests(), "QUIT\r\n");
  socket = OpenTcpSocket();
  EXPECT_FALSE(ConnectSocket(socket, Address(127, 0, 0, 1), 1, 3000));  // served once only
  CloseSocket(socket);
}

#endif

}  // namespace
