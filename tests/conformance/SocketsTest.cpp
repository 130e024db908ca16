// Name resolution and refused connections; the data path is left to tests
// that have a server to talk to.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "platform/Platform.h"

using namespace platform;

namespace {

class SocketsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(NetStartup()); }
  void TearDown() override { NetCleanup(); }
};

uint32_t Loopback() {
  const uint8_t bytes[4] = {127, 0, 0, 1};
  uint32_t address;
  std::memcpy(&address, bytes, 4);
  return address;
}

TEST_F(SocketsTest, DottedAddressesAndLocalhostResolveInNetworkOrder) {
  for (const char* host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    uint32_t address = 0;
    ASSERT_TRUE(ResolveHost(host, &address, 10000));
    EXPECT_EQ(address, Loopback());
  }
  uint32_t address = 0;
  EXPECT_FALSE(ResolveHost("no-such-host.invalid", &address, 10000));
}

TEST_F(SocketsTest, RefusedConnectionGivesNoSocketWithinTheTimeOut) {
  const auto started = std::chrono::steady_clock::now();
  Socket socket = OpenTcpSocket();
  ASSERT_NE(socket, kNoSocket);
  EXPECT_FALSE(ConnectSocket(socket, Loopback(), 1, 3000));
  CloseSocket(socket);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(4000));
}

}  // namespace
