// Opening programs, documents and links through the shell, and the shell's
// special folders.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/Platform.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

int ShowCommand(ShowMode mode) {
  switch (mode) {
    case ShowMode::Maximized: return SW_SHOWMAXIMIZED;
    case ShowMode::Minimized: return SW_SHOWMINIMIZED;
    case ShowMode::Normal: break;
  }
  return SW_SHOWNORMAL;
}

}  // namespace

bool ShellOpen(const char* target, const char* params, ShowMode mode) {
  const std::wstring parameters = win32::Wide(params);
  HINSTANCE result = ShellExecuteW(nullptr, L"open", win32::Wide(target).c_str(),
                                   params != nullptr ? parameters.c_str() : nullptr, nullptr, ShowCommand(mode));
  // Values up to 32 are error codes dressed as a handle.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

ReadResult ProgramFilesFolder(char* buffer, size_t capacity) {
  wchar_t wide[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, wide))) {
    return ReadResult::Missing;
  }
  std::string path;
  const bool whole = win32::Narrow(wide, wcsnlen(wide, MAX_PATH), path);
  if (path.empty()) return ReadResult::Missing;
  if (buffer == nullptr || path.size() >= capacity) return ReadResult::TooLong;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return whole ? ReadResult::Read : ReadResult::Foreign;
}

}  // namespace platform
