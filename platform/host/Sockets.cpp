// Sockets of the stand-in. It never leaves this machine: names resolve
// without a resolver, and connections go only to 127.0.0.0/8, over real TCP
// or to one a test scripted, served from memory. Sockets never block, so
// that every call waits only its time-out.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "platform/Owned.h"
#include "platform/Platform.h"
#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

namespace {

// Waits for the socket to become readable or writable; false on time-out or error.
bool WaitReady(platform::Socket socket, short events, uint32_t timeoutMs) {
  pollfd entry{static_cast<int>(socket), events, 0};
  for (;;) {
    const int ready = ::poll(&entry, 1, static_cast<int>(std::min<uint32_t>(timeoutMs, INT_MAX)));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

// A connection a test scripted: the bytes the program reads, how many it has
// read, and at most how many one receive gets; or a server that answers each
// command line the program sends, and what it has not yet seen a line end of.
struct Served {
  std::string bytes;
  size_t read;
  size_t pieceBytes;
  host::Answerer answer;
  std::string partial;
};

// What an answering server says to what the program sent.
void Hear(Served& connection, const char* data, size_t size) {
  connection.partial.append(data, size);
  for (size_t end; (end = connection.partial.find("\r\n")) != std::string::npos;) {
    connection.bytes += connection.answer(connection.partial.substr(0, end));
    connection.partial.erase(0, end + 2);
  }
}

struct Scripted {
  std::map<std::pair<uint32_t, uint16_t>, Served> next;  // by address and port
  std::map<platform::Socket, Served> served;             // connected sockets
  std::string sent;                                      // to served connections
};

host::detail::Guarded<Scripted>& g_scripted = *new host::detail::Guarded<Scripted>;

// Loopback only: a connection a test scripted, else real TCP.
bool Connect(platform::Socket socket, uint32_t address, uint16_t port, uint32_t timeoutMs) {
  if ((ntohl(address) >> 24) != 127) return false;
  const bool served = g_scripted([&](Scripted& s) {
    const auto found = s.next.find({address, port});
    if (found == s.next.end()) return false;
    s.served[socket] = std::move(found->second);
    s.next.erase(found);
    return true;
  });
  if (served) return true;
  const sockaddr_in peer{AF_INET, htons(port), in_addr{address}, {}};
  if (::connect(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0)
    return true;
  int error = errno;
  socklen_t size = sizeof error;
  if (error != EINPROGRESS || !WaitReady(socket, POLLOUT, timeoutMs)) return false;
  return ::getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

}  // namespace

namespace platform {

Socket ConnectTcp(const char* host, uint16_t port, uint32_t, uint32_t connectMs, ConnectFailure* failure) {
  // Names resolve without a resolver: "localhost" and dotted addresses.
  in_addr address{htonl(INADDR_LOOPBACK)};
  const bool found = host != nullptr && (::strcasecmp(host, "localhost") == 0 || ::inet_aton(host, &address));
  OwnedSocket socket(found ? ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0) : kNoSocket);
  const bool connected = socket && Connect(socket.Get(), address.s_addr, port, connectMs);
  *failure = connected ? ConnectFailure::None
             : !found  ? ConnectFailure::HostNotFound
             : !socket ? ConnectFailure::NoSocket
                       : ConnectFailure::NotConnected;
  return connected ? socket.Release() : kNoSocket;
}

bool SendAll(Socket socket, const void* data, size_t size, uint32_t timeoutMs) {
  const char* next = static_cast<const char*>(data);
  const bool served = g_scripted([&](Scripted& s) {
    const auto found = s.served.find(socket);
    if (found == s.served.end()) return false;
    s.sent.append(next, size);
    if (found->second.answer) Hear(found->second, next, size);
    return true;
  });
  while (!served && size > 0) {
    const ssize_t sent = ::send(static_cast<int>(socket), next, size, MSG_NOSIGNAL);
    // A command nearly always fits the send buffer: wait only when it does not.
    if (sent < 0 && errno == EAGAIN && WaitReady(socket, POLLOUT, timeoutMs)) continue;
    if (sent <= 0) return false;
    next += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

int ReceiveSome(Socket socket, void* buffer, size_t capacity, uint32_t timeoutMs) {
  constexpr int kNotServed = -2;
  const int served = g_scripted([&](Scripted& s) {
    const auto found = s.served.find(socket);
    if (found == s.served.end()) return kNotServed;
    Served& connection = found->second;
    const size_t left = connection.bytes.size() - connection.read;
    // An answering server that has said all it will is silent, not gone.
    if (left == 0 && connection.answer) return -1;
    const size_t size = std::min({capacity, left, connection.pieceBytes});
    std::memcpy(buffer, connection.bytes.data() + connection.read, size);
    connection.read += size;
    return static_cast<int>(size);
  });
  if (served != kNotServed) return served;
  if (!WaitReady(socket, POLLIN, timeoutMs)) return -1;
  const ssize_t got = ::recv(static_cast<int>(socket), buffer, std::min<size_t>(capacity, INT_MAX), 0);
  return got < 0 ? -1 : static_cast<int>(got);
}

void CloseSocket(Socket socket) {
  if (socket == kNoSocket) return;
  g_scripted([&](Scripted& s) { s.served.erase(socket); });
  ::close(static_cast<int>(socket));
}

}  // namespace platform

namespace host {

void ServeNextConnection(const std::string& dottedAddress, uint16_t port, const std::string& bytes,
                         size_t pieceBytes) {
  in_addr dotted{};
  if (::inet_aton(dottedAddress.c_str(), &dotted) == 0) return;
  const size_t piece = pieceBytes > 0 ? std::min<size_t>(pieceBytes, INT_MAX) : INT_MAX;
  g_scripted([&](Scripted& s) { s.next[{dotted.s_addr, port}] = Served{bytes, 0, piece, nullptr, ""}; });
}

void AnswerNextConnection(const std::string& dottedAddress, uint16_t port, const std::string& greeting,
                          Answerer answer) {
  in_addr dotted{};
  if (::inet_aton(dottedAddress.c_str(), &dotted) == 0) return;
  g_scripted([&](Scripted& s) {
    s.next[{dotted.s_addr, port}] = Served{greeting, 0, INT_MAX, std::move(answer), ""};
  });
}

std::string TakeServedRequests() {
  return g_scripted([](Scripted& s) { return std::exchange(s.sent, std::string()); });
}

}  // namespace host
