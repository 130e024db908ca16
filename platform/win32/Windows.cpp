// Window classes, hidden windows, messages and the message loop.
#include <map>
#include <mutex>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {

using win32::FromHwnd;
using win32::ToHinstance;
using win32::ToHicon;
using win32::ToHwnd;

namespace {

// Windows calls a WNDPROC with its own calling convention, so every class
// gets the same trampoline and the program's procedure is found by class atom.
std::mutex gClassesLock;
std::map<ATOM, WindowProc> gProcedures;

WindowProc ProcedureOf(HWND hwnd) {
  const auto atom = static_cast<ATOM>(GetClassLongPtrW(hwnd, GCW_ATOM));
  std::lock_guard<std::mutex> lock(gClassesLock);
  const auto found = gProcedures.find(atom);
  return found == gProcedures.end() ? nullptr : found->second;
}

LRESULT CALLBACK Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const WindowProc procedure = ProcedureOf(hwnd);
  if (!procedure) return DefWindowProcW(hwnd, message, wParam, lParam);
  return procedure(FromHwnd(hwnd), message, wParam, lParam);
}

}  // namespace

bool RegisterWindowClass(Module module, const char* className, WindowProc procedure, Icon icon) {
  const std::wstring name = win32::Wide(className);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Trampoline;
  windowClass.hInstance = ToHinstance(module);
  windowClass.hIcon = ToHicon(icon);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = name.c_str();
  std::lock_guard<std::mutex> lock(gClassesLock);
  const ATOM atom = RegisterClassW(&windowClass);
  if (atom == 0) return false;
  gProcedures[atom] = procedure;
  return true;
}

Window CreateHiddenWindow(Module module, const char* className) {
  HWND hwnd = CreateWindowExW(0, win32::Wide(className).c_str(), L"", WS_OVERLAPPEDWINDOW, -100, -100, 0, 0, nullptr,
                              nullptr, ToHinstance(module), nullptr);
  if (!hwnd) return nullptr;
  ShowWindow(hwnd, SW_HIDE);
  UpdateWindow(hwnd);
  return FromHwnd(hwnd);
}

void DestroyWindowObject(Window window) {
  if (window) DestroyWindow(ToHwnd(window));
}

bool WindowExists(Window window) { return window && IsWindow(ToHwnd(window)); }

bool WindowVisible(Window window) { return window && IsWindowVisible(ToHwnd(window)); }

intptr_t DefaultWindowProc(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcW(ToHwnd(window), message, wParam, lParam);
}

intptr_t SendWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return SendMessageW(ToHwnd(window), message, wParam, lParam);
}

bool PostWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageW(ToHwnd(window), message, wParam, lParam);
}

uint32_t RegisterMessageName(const char* name) { return RegisterWindowMessageW(win32::Wide(name).c_str()); }

void PostQuit(int code) { PostQuitMessage(code); }

int RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return -1;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace platform
