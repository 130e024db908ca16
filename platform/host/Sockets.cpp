// Real TCP sockets on the host, so tests talk to real servers on loopback.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Platform.h"

namespace {

// Waits for the socket to become readable or writable; false on time-out or error.
bool WaitReady(int fd, short events, uint32_t timeoutMs) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int ready = ::poll(&entry, 1, static_cast<int>(timeoutMs));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

bool ConnectedInTime(int fd, const sockaddr_in& peer, uint32_t timeoutMs) {
  const int flags = ::fcntl(fd, F_GETFL, 0);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int done = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
  if (done != 0 && errno == EINPROGRESS && WaitReady(fd, POLLOUT, timeoutMs)) {
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    done = error == 0 ? 0 : -1;
  }
  ::fcntl(fd, F_SETFL, flags);
  return done == 0;
}

}  // namespace

namespace platform {

bool NetStartup() { return true; }

void NetCleanup() {}

bool ResolveHost(const char* host, uint32_t* address) {
  if (host == nullptr || *host == '\0') return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(found);
  return true;
}

Socket ConnectTcp(uint32_t address, uint16_t port, uint32_t timeoutMs) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return kNoSocket;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  if (!ConnectedInTime(fd, peer, timeoutMs)) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

bool SendAll(Socket socket, const void* data, size_t size, uint32_t timeoutMs) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    if (!WaitReady(static_cast<int>(socket), POLLOUT, timeoutMs)) return false;
    const ssize_t sent = ::send(static_cast<int>(socket), next, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    next += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

int ReceiveSome(Socket socket, void* buffer, size_t capacity, uint32_t timeoutMs) {
  if (!WaitReady(static_cast<int>(socket), POLLIN, timeoutMs)) return -1;
  for (;;) {
    const ssize_t got = ::recv(static_cast<int>(socket), buffer, capacity, 0);
    if (got >= 0) return static_cast<int>(got);
    if (errno != EINTR) return -1;
  }
}

void CloseSocket(Socket socket) {
  if (socket != kNoSocket) ::close(static_cast<int>(socket));
}

}  // namespace platform
