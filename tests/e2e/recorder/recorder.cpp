// Stands in for the mail program and the web browser in the end-to-end
// cases: the prefix names it the handler of mailto: and http:, so whatever
// Vestun opens lands here instead of in a real program. It appends the whole
// command line it was started with, as UTF-8, as one line to started.txt
// beside itself, and ends.
//
// Keep this file ASCII: the build compiles narrow literals as Windows-1251.

#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The wide command line: what arrived, before any code page could lose it.
  const wchar_t* line = GetCommandLineW();
  int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string text(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], n, nullptr, nullptr);
  text += "\n";

  wchar_t path[MAX_PATH];
  DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (len == 0 || len >= MAX_PATH) return 1;
  std::wstring file(path, len);
  file = file.substr(0, file.find_last_of(L'\\') + 1) + L"started.txt";

  // Two starts at once must not mix their lines: append in one write.
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int tries = 0; tries < 50 && h == INVALID_HANDLE_VALUE; ++tries) {
    h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Sleep(100);
  }
  if (h == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = WriteFile(h, text.data(), (DWORD)text.size(), &written, nullptr);
  CloseHandle(h);
  return ok && written == text.size() ? 0 : 1;
}
