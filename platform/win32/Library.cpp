#include "platform/win32/Library.h"

#include <string>

namespace platform {

// Windows 7 has SetDefaultDllDirectories only with its loader update; without
// it, the current directory at least is taken out of the search.
void LimitLibrariesToSystemFolder() {
  BOOL(WINAPI * setDefaultDirectories)(DWORD) = nullptr;
  if (win32::FindEntry(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories",
                       setDefaultDirectories)) {
    setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  SetDllDirectoryW(L"");
}

namespace win32 {
namespace {

bool Redirected(const wchar_t* name) {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  return FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name, &data) !=
         FALSE;
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) {
  HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadFromSystemFolder(name);
  return module;
}

// The DLLs that one imports in turn are looked for in its own folder first,
// not in the program's.
HMODULE LoadFromSystemFolder(const wchar_t* name) {
  if (Redirected(name)) return LoadLibraryExW(name, nullptr, 0);
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L'\\' + name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace win32
}  // namespace platform
