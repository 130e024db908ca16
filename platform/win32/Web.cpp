// Reading a web address through WinINet.
#include <windows.h>
#include <wininet.h>

#include <climits>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>

#include "platform/Platform.h"

namespace platform {
namespace {

constexpr char kAgent[] = "Tandrel application";
// Always from the server: the answer is a current version. A site that has
// moved to https answers its old http address with a redirect, which WinINet
// refuses to follow unless told to; the way back to http stays refused.
constexpr DWORD kUrlFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
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

// One read, shared by the caller and the thread that does it. The caller
// stops waiting at the deadline and lets go; whichever lets go last frees it.
struct Fetch {
  Fetch() = default;
  Fetch(const Fetch&) = delete;
  Fetch& operator=(const Fetch&) = delete;
  ~Fetch() {
    if (Done != nullptr) CloseHandle(Done);
  }
  LONG Holders = 2;
  HANDLE Done = nullptr;  // set once Result and Body hold the outcome
  ULONGLONG Deadline = 0;
  char Url[INTERNET_MAX_URL_LENGTH] = "";
  std::unique_ptr<char[]> Body;
  size_t Capacity = 0;
  int Result = -1;
};

void LetGo(Fetch* fetch) {
  if (InterlockedDecrement(&fetch->Holders) == 0) delete fetch;
}

// What is left of the time, at least 1 ms: a time-out of 0 means none.
DWORD Remaining(const Fetch& fetch) {
  const ULONGLONG now = GetTickCount64();
  return now < fetch.Deadline ? static_cast<DWORD>(fetch.Deadline - now) : 1;
}

bool Expired(const Fetch& fetch) { return GetTickCount64() >= fetch.Deadline; }

// Each phase (connecting, sending, every wait for an answer) gives up by the
// deadline, so that the thread of an abandoned read ends soon after it,
// unless a site drips bytes. WinINet hands these on to no handle it makes
// later, so each handle gets its own.
void BoundPhases(HINTERNET handle, const Fetch& fetch) {
  DWORD timeout = Remaining(fetch);
  for (DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(handle, option, &timeout, sizeof timeout);
  }
}

// An error page is no answer.
bool AnsweredOk(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  return HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
         status == kHttpOk;
}

// A body cut short by the deadline is no answer either.
int ReadBody(HINTERNET request, const Fetch& fetch) {
  size_t total = 0;
  while (total < fetch.Capacity) {
    DWORD got = 0;
    const DWORD room = static_cast<DWORD>(fetch.Capacity - total);
    if (!InternetReadFile(request, fetch.Body.get() + total, room, &got) || got == 0) break;
    total += got;
    if (Expired(fetch)) return -1;
  }
  return static_cast<int>(total);
}

// The address is taken apart and requested step by step, so that the
// time-outs sit on every handle: Wine's InternetOpenUrl does not hand the
// session's on to its connection, and a silent site would hold it forever.
// Certificate errors fail the request: no SECURITY_FLAG_IGNORE_* is set.
int Request(const Fetch& fetch) {
  char host[256] = "";
  char path[2048] = "";
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(fetch.Url, 0, 0, &parts)) return -1;
  DWORD flags = kUrlFlags;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) {
    flags |= INTERNET_FLAG_SECURE;
  } else if (parts.nScheme != INTERNET_SCHEME_HTTP) {
    return -1;
  }
  // The system's proxy settings, so that a user behind a proxy is reached.
  const InternetHold session(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.Handle == nullptr) return -1;
  BoundPhases(session.Handle, fetch);
  const InternetHold connection(
      InternetConnectA(session.Handle, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (connection.Handle == nullptr) return -1;
  BoundPhases(connection.Handle, fetch);
  const InternetHold request(
      HttpOpenRequestA(connection.Handle, "GET", path, nullptr, nullptr, nullptr, flags, 0));
  if (request.Handle == nullptr) return -1;
  BoundPhases(request.Handle, fetch);
  if (!HttpSendRequestA(request.Handle, nullptr, 0, nullptr, 0) || Expired(fetch) ||
      !AnsweredOk(request.Handle)) {
    return -1;
  }
  return ReadBody(request.Handle, fetch);
}

void RequestThread(void* argument) {
  auto* fetch = static_cast<Fetch*>(argument);
  fetch->Result = Request(*fetch);
  SetEvent(fetch->Done);
  LetGo(fetch);
}

}  // namespace

// WinINet's calls block, and closing a handle that another thread is using
// is not safe; so the request runs in a thread of its own, and the caller
// waits for it no longer than the time limit, whatever the site does.
int ReadUrl(const char* url, char* buffer, size_t capacity, uint32_t timeLimitMs) {
  if (url == nullptr || std::strlen(url) >= INTERNET_MAX_URL_LENGTH) return -1;
  if (capacity > INT_MAX) capacity = INT_MAX;
  auto* fetch = new (std::nothrow) Fetch;
  if (fetch == nullptr) return -1;
  fetch->Deadline = GetTickCount64() + timeLimitMs;
  std::strcpy(fetch->Url, url);
  fetch->Capacity = capacity;
  fetch->Body.reset(new (std::nothrow) char[capacity > 0 ? capacity : 1]);
  fetch->Done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (fetch->Body == nullptr || fetch->Done == nullptr || !StartDetachedThread(RequestThread, fetch)) {
    delete fetch;
    return -1;
  }
  int result = -1;
  if (WaitForSingleObject(fetch->Done, timeLimitMs) == WAIT_OBJECT_0 && fetch->Result >= 0) {
    result = fetch->Result;
    std::memcpy(buffer, fetch->Body.get(), static_cast<size_t>(result));
  }
  LetGo(fetch);
  return result;
}

}  // namespace platform
