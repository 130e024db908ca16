// Connections that cannot be made; the data path needs a server.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/Platform.h"

using namespace platform;

namespace {

// Port 1 of this machine refuses; the names are never asked of the network
// beyond it.
TEST(Sockets, WhatKeepsAConnectionFromBeingMadeIsToldWithinTheTimeOut) {
  const struct {
    const char* host;
    ConnectFailure failure;
  } cases[] = {
      {"127.0.0.1", ConnectFailure::NotConnected},
      {"localhost", ConnectFailure::NotConnected},
      {"no-such-host.invalid", ConnectFailure::HostNotFound},
      {"", ConnectFailure::HostNotFound},  // a box without a server name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    const auto started = std::chrono::steady_clock::now();
    ConnectFailure failure = ConnectFailure::None;
    EXPECT_EQ(ConnectTcp(c.host, 1, 10000, 3000, &failure), kNoSocket);
    EXPECT_EQ(failure, c.failure);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(11000));
  }
}

}  // namespace
