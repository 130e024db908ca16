// Blocking TCP over Winsock 1.1, every call bounded by a time-out.
#include <winsock2.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/Platform.h"
#include "platform/win32/Handles.h"

namespace platform {
namespace {

SOCKET ToSocket(Socket socket) { return static_cast<SOCKET>(socket); }

// Whether the socket becomes ready to write (or to read) within timeoutMs;
// a failed connect shows up in the exception set.
bool WaitReady(SOCKET socket, bool forWriting, uint32_t timeoutMs) {
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(socket, &ready);
  FD_SET(socket, &failed);
  timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
  const int count = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &wait);
  return count > 0 && FD_ISSET(socket, &ready) && !FD_ISSET(socket, &failed);
}

bool SetBlocking(SOCKET socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

bool ConnectWithin(SOCKET socket, uint32_t address, uint16_t port, uint32_t timeoutMs) {
  sockaddr_in peer;
  std::memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  if (!SetBlocking(socket, false)) return false;
  if (connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == SOCKET_ERROR) {
    if (WSAGetLastError() != WSAEWOULDBLOCK || !WaitReady(socket, true, timeoutMs)) return false;
  }
  return SetBlocking(socket, true);
}

// gethostbyname cannot be told to give up, so it runs on a thread of its
// own; the lookup and its caller share this record, and whoever is last frees it.
struct Lookup {
  explicit Lookup(const char* host) : Host(host) {}
  std::string Host;
  win32::OwnedHandle Done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  uint32_t Address = 0;
  bool Found = false;
  LONG References = 2;
};

void Drop(Lookup* lookup) {
  if (InterlockedDecrement(&lookup->References) != 0) return;
  delete lookup;
}

DWORD WINAPI LookUp(void* argument) {
  Lookup* lookup = static_cast<Lookup*>(argument);
  const hostent* entry = gethostbyname(lookup->Host.c_str());
  if (entry && entry->h_addrtype == AF_INET && entry->h_length == 4 && entry->h_addr_list[0]) {
    std::memcpy(&lookup->Address, entry->h_addr_list[0], 4);
    lookup->Found = true;
  }
  SetEvent(lookup->Done.Get());
  Drop(lookup);
  return 0;
}

bool LookUpWithin(const char* host, uint32_t* address, uint32_t timeoutMs) {
  Lookup* lookup = new Lookup(host);
  if (!lookup->Done) {
    delete lookup;
    return false;
  }
  const win32::OwnedHandle thread(CreateThread(nullptr, 0, LookUp, lookup, 0, nullptr));
  if (!thread) {
    lookup->References = 1;
    Drop(lookup);
    return false;
  }
  const bool found = WaitForSingleObject(lookup->Done.Get(), timeoutMs) == WAIT_OBJECT_0 && lookup->Found;
  if (found) *address = lookup->Address;
  Drop(lookup);
  return found;
}

// An empty name would resolve to this machine; a box without a server has no
// host to poll.
bool Resolve(const char* host, uint32_t* address, uint32_t timeoutMs) {
  if (!host || *host == '\0') return false;
  const unsigned long dotted = inet_addr(host);
  if (dotted != INADDR_NONE) {
    *address = dotted;
    return true;
  }
  return LookUpWithin(host, address, timeoutMs);
}

// Winsock 1.1, started once by whichever connection comes first (a
// static's start is thread-safe) and never cleaned up: a detached poll may
// still hold a socket while the process ends, which frees it anyway.
bool SocketsStarted() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }();
  return started;
}

}  // namespace

Socket ConnectTcp(const char* host, uint16_t port, uint32_t resolveMs, uint32_t connectMs,
                  ConnectFailure* failure) {
  *failure = ConnectFailure::NoSocket;
  if (!SocketsStarted()) return kNoSocket;
  uint32_t address = 0;
  *failure = ConnectFailure::HostNotFound;
  if (!Resolve(host, &address, resolveMs)) return kNoSocket;
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  *failure = ConnectFailure::NoSocket;
  if (socket == INVALID_SOCKET) return kNoSocket;
  *failure = ConnectFailure::NotConnected;
  if (!ConnectWithin(socket, address, port, connectMs)) {
    closesocket(socket);
    return kNoSocket;
  }
  *failure = ConnectFailure::None;
  return static_cast<Socket>(socket);
}

bool SendAll(Socket socket, const void* data, size_t size, uint32_t timeoutMs) {
  const char* next = static_cast<const char*>(data);
  const DWORD started = GetTickCount();
  while (size > 0) {
    const DWORD elapsed = GetTickCount() - started;
    if (elapsed > timeoutMs || !WaitReady(ToSocket(socket), true, timeoutMs - elapsed)) return false;
    const int chunk = size > INT_MAX ? INT_MAX : static_cast<int>(size);
    const int sent = send(ToSocket(socket), next, chunk, 0);
    if (sent <= 0) return false;
    next += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

int ReceiveSome(Socket socket, void* buffer, size_t capacity, uint32_t timeoutMs) {
  if (!WaitReady(ToSocket(socket), false, timeoutMs)) return -1;
  const int room = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
  const int got = recv(ToSocket(socket), static_cast<char*>(buffer), room, 0);
  return got == SOCKET_ERROR ? -1 : got;
}

void CloseSocket(Socket socket) {
  if (socket != kNoSocket) closesocket(ToSocket(socket));
}

}  // namespace platform
