// Conversions between the program's opaque handles and the Windows ones.
#pragma once

#include <windows.h>

#include "platform/Owned.h"
#include "platform/Platform.h"

namespace platform::win32 {

inline HWND ToHwnd(Window window) { return reinterpret_cast<HWND>(window); }
inline Window FromHwnd(HWND hwnd) { return reinterpret_cast<Window>(hwnd); }
inline HICON ToHicon(Icon icon) { return reinterpret_cast<HICON>(icon); }
inline Icon FromHicon(HICON icon) { return reinterpret_cast<Icon>(icon); }
inline HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
inline RegKey FromHkey(HKEY key) { return reinterpret_cast<RegKey>(key); }
inline HINSTANCE ToHinstance(Module module) { return reinterpret_cast<HINSTANCE>(module); }

// Holders of Windows' own handles, on the platform's template. A window may
// be gone already, destroyed with its owner.
inline void DestroyIfWindow(HWND window) {
  if (IsWindow(window)) DestroyWindow(window);
}
inline void Unhook(HHOOK hook) { UnhookWindowsHookEx(hook); }
inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
using OwnedHwnd = Owned<HWND, DestroyIfWindow>;
using OwnedHandle = Owned<HANDLE, CloseKernelHandle>;
using OwnedHook = Owned<HHOOK, Unhook>;

}  // namespace platform::win32
