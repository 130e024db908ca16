// Sockets of the stand-in. It never leaves this machine: names resolve
// without a resolver (dotted IPv4 addresses and "localhost"), connections go only to 127.0.0.0/8, over real TCP, or to a
// connection a test scripted, which is served from memory.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "platform/host/Detail.h"
#include "platform/host/HostControl.h"

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

// A connection a test scripted: the bytes the program reads, how many it has
// read, and at most how many one receive gets.
struct Served {
  std::string bytes;
  size_t read = 0;
  size_t pieceBytes = 0;
};

struct Sockets {
  std::mutex lock;
  std::map<std::pair<uint32_t, uint16_t>, Served> next;  // by address and port
  std::map<platform::Socket, Served> served;             // connected sockets
  std::string sent;                                      // to served connections
};

// Never destroyed: a poll's thread may still close its socket while the
// process exits.
Sockets& State() {
  static Sockets* sockets = new Sockets;
  return *sockets;
}

bool IsLocalhost(const char* name) { return ::strcasecmp(name, "localhost") == 0; }

bool IsLoopback(uint32_t address) { return (ntohl(address) >> 24) == 127; }

bool ServeIfScripted(platform::Socket socket, uint32_t address, uint16_t port) {
  Sockets& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  const auto found = s.next.find({address, port});
  if (found == s.next.end()) return false;
  s.served[socket] = std::move(found->second);
  s.next.erase(found);
  return true;
}

bool SendToServed(platform::Socket socket, const char* data, size_t size) {
  Sockets& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.served.count(socket) == 0) return false;
  s.sent.append(data, size);
  return true;
}

bool ReceiveFromServed(platform::Socket socket, void* buffer, size_t capacity, int* received) {
  Sockets& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  const auto found = s.served.find(socket);
  if (found == s.served.end()) return false;
  Served& connection = found->second;
  size_t size = std::min(capacity, connection.bytes.size() - connection.read);
  if (connection.pieceBytes > 0) size = std::min(size, connection.pieceBytes);
  size = std::min<size_t>(size, INT32_MAX);
  std::memcpy(buffer, connection.bytes.data() + connection.read, size);
  connection.read += size;
  *received = static_cast<int>(size);
  return true;
}

}  // namespace

namespace platform {

bool NetStartup() { return true; }

void NetCleanup() {}

bool ResolveHost(const char* host, uint32_t* address, uint32_t) {
  if (host == nullptr || *host == '\0' || address == nullptr) return false;
  in_addr dotted{};
  if (::inet_aton(host, &dotted) != 0) {
    *address = dotted.s_addr;
    return true;
  }
  if (!IsLocalhost(host)) return false;
  *address = htonl(INADDR_LOOPBACK);
  return true;
}

Socket OpenTcpSocket() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  return fd < 0 ? kNoSocket : fd;
}

bool ConnectSocket(Socket socket, uint32_t address, uint16_t port, uint32_t timeoutMs) {
  if (socket == kNoSocket || !IsLoopback(address)) return false;
  if (ServeIfScripted(socket, address, port)) return true;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  return ConnectedInTime(static_cast<int>(socket), peer, timeoutMs);
}

bool SendAll(Socket socket, const void* data, size_t size, uint32_t timeoutMs) {
  const char* next = static_cast<const char*>(data);
  if (SendToServed(socket, next, size)) return true;
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
  int served = 0;
  if (ReceiveFromServed(socket, buffer, capacity, &served)) return served;
  if (!WaitReady(static_cast<int>(socket), POLLIN, timeoutMs)) return -1;
  for (;;) {
    const ssize_t got = ::recv(static_cast<int>(socket), buffer, capacity, 0);
    if (got >= 0) return static_cast<int>(got);
    if (errno != EINTR) return -1;
  }
}

void CloseSocket(Socket socket) {
  if (socket == kNoSocket) return;
  {
    Sockets& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    s.served.erase(socket);
  }
  ::close(static_cast<int>(socket));
}

}  // namespace platform

namespace host {

void ServeNextConnection(const std::string& dottedAddress, uint16_t port, const std::string& bytes,
                         size_t pieceBytes) {
  in_addr dotted{};
  if (::inet_aton(dottedAddress.c_str(), &dotted) == 0) return;
  Sockets& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  s.next[{dotted.s_addr, port}] = Served{bytes, 0, pieceBytes};
}

std::string TakeServedRequests() {
  Sockets& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  std::string sent;
  sent.swap(s.sent);
  return sent;
}

namespace detail {

void ResetSockets() {
  Sockets& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  s.next.clear();
  s.served.clear();
  s.sent.clear();
}

}  // namespace detail
}  // namespace host
