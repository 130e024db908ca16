// Reading a web address through WinINet.
#include <windows.h>
#include <wininet.h>

#include <climits>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <new>
#include <string>

#include "platform/win32/Handles.h"
#include "platform/win32/Library.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

constexpr wchar_t kAgent[] = L"Tandrel application";
// Always from the server over TLS: the answer is a current version, and no
// one on the way may make one up.
constexpr DWORD kUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE;
constexpr wchar_t kHttps[] = L"https://";
constexpr DWORD kHttpOk = 200;

using win32::FindEntry;

// WinINet's functions, loaded by the first version check.
struct WinInet {
  decltype(&InternetCrackUrlW) CrackUrl;
  decltype(&InternetOpenW) Open;
  decltype(&InternetConnectW) Connect;
  decltype(&InternetSetOptionW) SetOption;
  decltype(&InternetQueryOptionW) QueryOption;
  decltype(&HttpOpenRequestW) OpenRequest;
  decltype(&HttpSendRequestW) SendRequest;
  decltype(&HttpQueryInfoW) QueryInfo;
  decltype(&InternetReadFile) ReadFile;
  decltype(&InternetCloseHandle) CloseHandle;
};

bool FillWinInet(HMODULE module, WinInet& net) {
  return FindEntry(module, "InternetCrackUrlW", net.CrackUrl) &&
         FindEntry(module, "InternetOpenW", net.Open) && FindEntry(module, "InternetConnectW", net.Connect) &&
         FindEntry(module, "InternetSetOptionW", net.SetOption) &&
         FindEntry(module, "InternetQueryOptionW", net.QueryOption) &&
         FindEntry(module, "HttpOpenRequestW", net.OpenRequest) &&
         FindEntry(module, "HttpSendRequestW", net.SendRequest) &&
         FindEntry(module, "HttpQueryInfoW", net.QueryInfo) &&
         FindEntry(module, "InternetReadFile", net.ReadFile) &&
         FindEntry(module, "InternetCloseHandle", net.CloseHandle);
}

win32::SystemLibrary<WinInet, FillWinInet> g_winInet(L"wininet.dll");

// A handle exists only once the library has served.
void CloseInternetHandle(HINTERNET handle) { g_winInet.Get()->CloseHandle(handle); }
using InternetHold = Owned<HINTERNET, CloseInternetHandle>;

// One read, shared by the caller and the thread that does it. The caller
// stops waiting at the deadline and lets go; whichever lets go last frees it.
struct Fetch {
  LONG Holders = 2;
  win32::OwnedHandle Done;  // set once Result and Body hold the outcome
  ULONGLONG Deadline = 0;
  std::wstring Url;
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
void BoundPhases(const WinInet& net, HINTERNET handle, const Fetch& fetch) {
  DWORD timeout = Remaining(fetch);
  for (DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    net.SetOption(handle, option, &timeout, sizeof timeout);
  }
}

// Where the request ended up after its redirects, which must still be an
// https address. Windows' WinINet refuses a redirect from https to http
// itself, but Wine's follows it.
bool EndedOverHttps(const WinInet& net, HINTERNET request) {
  wchar_t url[INTERNET_MAX_URL_LENGTH + 1] = L"";
  DWORD size = sizeof url - sizeof url[0];
  return net.QueryOption(request, INTERNET_OPTION_URL, url, &size) &&
         _wcsnicmp(url, kHttps, std::size(kHttps) - 1) == 0;
}

// An error page is no answer.
bool AnsweredOk(const WinInet& net, HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  return net.QueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
         status == kHttpOk;
}

// A body cut short by the deadline is no answer either.
int ReadBody(const WinInet& net, HINTERNET request, const Fetch& fetch) {
  size_t total = 0;
  while (total < fetch.Capacity) {
    DWORD got = 0;
    const DWORD room = static_cast<DWORD>(fetch.Capacity - total);
    if (!net.ReadFile(request, fetch.Body.get() + total, room, &got) || got == 0) break;
    total += got;
    if (Expired(fetch)) return -1;
  }
  return static_cast<int>(total);
}

// The address is taken apart and requested step by step, so that the
// time-outs sit on every handle: Wine's InternetOpenUrl does not hand the
// session's on to its connection, and a silent site would hold it forever.
// Certificate errors fail the request: no SECURITY_FLAG_IGNORE_* is set.
int Request(const WinInet& net, const Fetch& fetch) {
  wchar_t host[256] = L"";
  wchar_t path[2048] = L"";
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
  if (!net.CrackUrl(fetch.Url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTPS) return -1;
  // The system's proxy settings, so that a user behind a proxy is reached.
  const InternetHold session(net.Open(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return -1;
  BoundPhases(net, session.Get(), fetch);
  const InternetHold connection(
      net.Connect(session.Get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return -1;
  BoundPhases(net, connection.Get(), fetch);
  const InternetHold request(
      net.OpenRequest(connection.Get(), L"GET", path, nullptr, nullptr, nullptr, kUrlFlags, 0));
  if (!request) return -1;
  BoundPhases(net, request.Get(), fetch);
  if (!net.SendRequest(request.Get(), nullptr, 0, nullptr, 0) || Expired(fetch) ||
      !EndedOverHttps(net, request.Get()) || !AnsweredOk(net, request.Get())) {
    return -1;
  }
  return ReadBody(net, request.Get(), fetch);
}

void RequestThread(void* argument) {
  auto* fetch = static_cast<Fetch*>(argument);
  // Without WinINet the site is as unreachable as without a network.
  const WinInet* const net = g_winInet.Get();
  fetch->Result = net != nullptr ? Request(*net, *fetch) : -1;
  SetEvent(fetch->Done.Get());
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
  fetch->Url = win32::Wide(url);
  fetch->Capacity = capacity;
  fetch->Body.reset(new (std::nothrow) char[capacity > 0 ? capacity : 1]);
  fetch->Done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (fetch->Body == nullptr || !fetch->Done || !StartDetachedThread(RequestThread, fetch)) {
    delete fetch;
    return -1;
  }
  int result = -1;
  if (WaitForSingleObject(fetch->Done.Get(), timeLimitMs) == WAIT_OBJECT_0 && fetch->Result >= 0) {
    result = fetch->Result;
    std::memcpy(buffer, fetch->Body.get(), static_cast<size_t>(result));
  }
  LetGo(fetch);
  return result;
}

}  // namespace platform
