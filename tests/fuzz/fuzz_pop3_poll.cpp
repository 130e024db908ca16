// A whole date-mode poll against a server that answers with arbitrary bytes:
// the input is everything the server says, delivered at once, before the
// connection closes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <thread>

#include "mail/Pop3Poll.h"
#include "platform/host/HostControl.h"

namespace {

int Listen(uint16_t* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd, 1) != 0) __builtin_trap();
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  *port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static uint16_t port = 0;
  static const int listener = Listen(&port);
  static platform::KernelObject mutex = platform::CreateNamedMutex("POP3_fuzz", false, nullptr);

  std::thread server([data, size] {
    const int peer = ::accept(listener, nullptr, nullptr);
    if (peer < 0) return;
    size_t sent = 0;
    while (sent < size) {
      const ssize_t chunk = ::send(peer, data + sent, size - sent, MSG_NOSIGNAL);
      if (chunk <= 0) break;
      sent += static_cast<size_t>(chunk);
    }
    ::shutdown(peer, SHUT_WR);
    char sink[4096];
    while (::recv(peer, sink, sizeof sink, 0) > 0) {
    }
    ::close(peer);
  });

  PollRequest request;
  request.PopServerName = "127.0.0.1";
  request.Port = port;
  request.Login = "tester";
  request.Password = "secret";
  request.TandrelMode = size % 2 == 0 ? 0 : 1;
  request.SendErrors = 0;
  request.CheckMutex = mutex;
  PollResult result;
  const int32_t code = CheckMailbox(request, result);
  server.join();
  if (code < -6) __builtin_trap();
  if (code >= 0 && request.TandrelMode == 0 && result.StatCount >= 0 &&
      result.NewMessages.Size() + result.OldMessages.Size() > result.StatCount) {
    __builtin_trap();
  }
  return 0;
}
