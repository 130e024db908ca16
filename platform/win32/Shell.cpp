// Opening programs, documents and links through the shell.
#include <windows.h>
#include <shellapi.h>

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

}  // namespace platform
