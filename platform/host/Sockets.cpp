// Real TCP sockets on the host, so tests talk to real servers on loopback.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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

bool ResolveHost(const char* host, uint32_t* address, uint32_t timeoutMs) {
  if (host == nullptr || *host == '\0') return false;
  // getaddrinfo cannot be told to give up: it runs on a thread of its own
  // and the shared record outlives whichever side finishes last.
  struct Lookup {
    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    bool Found = false;
    uint32_t Address = 0;
  };
  auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, name = std::string(host)] {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const bool ok = ::getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0 && found != nullptr;
    std::lock_guard<std::mutex> hold(lookup->Lock);
    if (ok) lookup->Address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    if (found != nullptr) ::freeaddrinfo(found);
    lookup->Found = ok;
    lookup->Finished = true;
    lookup->Done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> hold(lookup->Lock);
  if (!lookup->Done.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return lookup->Finished; })) {
    return false;
  }
  if (lookup->Found) *address = lookup->Address;
  return lookup->Found;
}

Socket OpenTcpSocket() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  return fd < 0 ? kNoSocket : fd;
}

bool ConnectSocket(Socket socket, uint32_t address, uint16_t port, uint32_t timeoutMs) {
  if (socket == kNoSocket) return false;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  return ConnectedInTime(static_cast<int>(socket), peer, timeoutMs);
}

bool SendAll(Socket socket, const void* data, size_t size, uint32_t timeoutMs) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    // A command nearly always fits the send buffer: wait only when it does not.
    const ssize_t sent = ::send(static_cast<int>(socket), next, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitReady(static_cast<int>(socket), POLLOUT, timeoutMs)) return false;
      continue;
    }
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
