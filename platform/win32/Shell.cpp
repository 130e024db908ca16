// Opening programs, documents and links through the shell, and the shell's
// special folders.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "platform/Platform.h"

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
  HINSTANCE result = ShellExecuteA(nullptr, "open", target, params, nullptr, ShowCommand(mode));
  // Values up to 32 are error codes dressed as a handle.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool ProgramFilesFolder(char* buffer, size_t capacity) {
  char path[MAX_PATH] = {};
  if (buffer == nullptr ||
      FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return false;
  }
  const size_t length = std::strlen(path);
  if (length == 0 || length >= capacity) return false;
  std::memcpy(buffer, path, length + 1);
  return true;
}

}  // namespace platform
