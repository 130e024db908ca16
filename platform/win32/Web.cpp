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

int ReadUrl(const char* url, char* buffer, size_t capacity) {
  // The system's proxy settings, so that a user behind a proxy is reached.
  const InternetHold session(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.Handle == nullptr) return -1;
  BoundPhases(session.Handle);
  const InternetHold request(InternetOpenUrlA(session.Handle, url, nullptr, 0, kUrlFlags, 0));
  if (request.Handle == nullptr || !AnsweredOk(request.Handle)) return -1;
  return ReadBody(request.Handle, buffer, capacity);
}

}  // namespace platform
