// Name resolution and refused connections; the data path needs a server.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/Platform.h"

using namespace platform;

namespace {

class SocketsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(NetStartup()); }
  void TearDown() override { NetCleanup(); }
};

// In network order, as both builds (x86-64) hold it.
constexpr uint32_t Address(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return a | b << 8 | c << 16 | d << 24;
}

TEST_F(SocketsTest, DottedAddressesAndLocalhostResolveInNetworkOrder) {
  const struct {
    const char* host;
    uint32_t address;
  } cases[] = {
      {"127.0.0.1", Address(127, 0, 0, 1)},
      {"10.20.30.40", Address(10, 20, 30, 40)},  // read, not looked up
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

}  // namespace
