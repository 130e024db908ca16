// Reading a web address through WinINet.
#include <windows.h>
#include <wininet.h>

#include <climits>
#include <initializer_list>

#include "platform/Platform.h"

namespace platform {
namespace {

constexpr char kAgent[] = "Tandrel application";
// Each phase of a request (connecting, sending, every wait for an answer)
// gives up after this long: a site that is down or drips must not hold the
// program, whose main thread waits for the answer.
constexpr DWORD kPhaseTimeoutMs = 5000;
// Always from the server: the answer is a current version.
constexpr DWORD kUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kHttpOk = 200;

class InternetHold {
 public:
  explicit InternetHold(HINTERNET handle) : Handle(handle) {}
  InternetHold(const InternetHold&) = delete;
  InternetHold& operator=(const InternetHold&) = delete;
  ~InternetHold() {
    if (Handle != nullptr) InternetCloseHandle(Handle);
  }
  const HINTERNET Handle;
};

void BoundPhases(HINTERNET session) {
  DWORD timeout = kPhaseTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(session, option, &timeout, sizeof timeout);
  }
}

// An error page is no answer.
bool AnsweredOk(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  return HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
         status == kHttpOk;
}

int ReadBody(HINTERNET request, char* buffer, size_t capacity) {
  size_t total = 0;
  if (capacity > INT_MAX) capacity = INT_MAX;
  while (total < capacity) {
    DWORD got = 0;
    const DWORD room = static_cast<DWORD>(capacity - total);
    if (!InternetReadFile(request, buffer + total, room, &got) || got == 0) break;
    total += got;
  }
  return static_cast<int>(total);
}

}  // namespace

// The address is taken apart and requested step by step, so that the
// time-outs sit on every handle: Wine's InternetOpenUrl does not hand the
// session's on to its connection, and a silent site would hold it forever.
int ReadUrl(const char* url, char* buffer, size_t capacity) {
  char host[256] = "";
  char path[2048] = "";
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(url, 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP) return -1;
  // The system's proxy settings, so that a user behind a proxy is reached.
  const InternetHold session(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.Handle == nullptr) return -1;
  BoundPhases(session.Handle);
  const InternetHold connection(
      InternetConnectA(session.Handle, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (connection.Handle == nullptr) return -1;
  BoundPhases(connection.Handle);
  const InternetHold request(HttpOpenRequestA(connection.Handle, "GET", path, nullptr, nullptr, nullptr, kUrlFlags, 0));
  if (request.Handle == nullptr) return -1;
  BoundPhases(request.Handle);
  if (!HttpSendRequestA(request.Handle, nullptr, 0, nullptr, 0) || !AnsweredOk(request.Handle)) return -1;
  return ReadBody(request.Handle, buffer, capacity);
}

}  // namespace platform
