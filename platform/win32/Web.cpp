// Reading a web address through WinINet.
#include <windows.h>
#include <wininet.h>

#include <climits>

#include "platform/Platform.h"

namespace platform {
namespace {

// Always from the server: the answer is a current version or a news item.
constexpr DWORD kUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

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
  HINTERNET session = InternetOpenA("Vestun", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session) return -1;
  int result = -1;
  HINTERNET request = InternetOpenUrlA(session, url, nullptr, 0, kUrlFlags, 0);
  if (request) {
    result = ReadBody(request, buffer, capacity);
    InternetCloseHandle(request);
  }
  InternetCloseHandle(session);
  return result;
}

}  // namespace platform
