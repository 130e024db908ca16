// The main loop on Windows: a hidden window of the program's own class, its
// message loop, its timers and its tray icon. Other programs know the window
// by its class name: the installer and the uninstaller send it WM_CLOSE.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

constexpr wchar_t kClassName[] = L"Main window class";

// Tells the window that work handed over by another thread waits in the
// queue below. Posted to the window, not to the thread, so that the modal
// loops of menus and message boxes run the work too. Any program can find the
// window and post it this message with whatever parameters, so the message
// carries nothing: the window runs only what the program queued itself.
constexpr UINT kMsgRunTask = WM_APP + 0x100;

// What the shell sends the window about its tray icon, the mouse message in
// the low word of lParam.
constexpr UINT kMsgTray = WM_USER + 2;
constexpr UINT kTrayIconId = 0;

std::atomic<HWND> gWindow{nullptr};
// Whether the shell has the icon: not before it is first shown, nor once a
// taskbar made anew has forgotten it.
bool gTrayShown = false;
MainEventHandler gHandler = nullptr;
void* gContext = nullptr;
// The shell's "TaskbarCreated", broadcast when the taskbar comes back.
UINT gTaskbarCreated = 0;

struct QueuedTask {
  MainTask Task;
  void* Argument;
};
// Work for the main thread in the order it came, each with a message of its
// own on the way. Taken under the lock together with the window's closing,
// so that no task is queued once the window is gone.
std::mutex gQueueLock;
std::deque<QueuedTask> gQueue;

// The last timer's name: WM_TIMER's id, which only this layer gives the
// window's timers, counted up so that no name comes twice.
uintptr_t gLastTimer = 0;

Timer TimerOf(uintptr_t id) { return reinterpret_cast<Timer>(id); }
uintptr_t IdOf(Timer timer) { return reinterpret_cast<uintptr_t>(timer); }

void Raise(MainEvent event, Timer timer = nullptr) {
  if (gHandler) gHandler(gContext, event, timer);
}

// One task per message, the oldest first: should it open a menu or a message
// box, the next task's message reaches that box's loop. A message posted by
// another program runs a task a little early, and the task's own message
// then finds one fewer waiting: each still runs once.
void RunNextTask() {
  QueuedTask next;
  {
    std::lock_guard<std::mutex> hold(gQueueLock);
    if (gQueue.empty()) return;
    next = gQueue.front();
    gQueue.pop_front();
  }
  next.Task(gContext, next.Argument);
}

// The mouse message the shell puts into the tray icon's lParam.
void RaiseTrayEvent(UINT mouseMessage) {
  switch (mouseMessage) {
    case WM_MOUSEMOVE:
      return Raise(MainEvent::TrayMouseOver);
    case WM_LBUTTONDOWN:
      return Raise(MainEvent::TrayLeftClick);
    case WM_LBUTTONDBLCLK:
      return Raise(MainEvent::TrayDoubleClick);
    case WM_RBUTTONDOWN:
      return Raise(MainEvent::TrayRightClick);
    case NIN_BALLOONUSERCLICK:
      return Raise(MainEvent::BalloonClick);
    default:
      return;
  }
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == gTaskbarCreated && message != 0) {
    gTrayShown = false;
    Raise(MainEvent::TaskbarCreated);
    return 0;
  }
  switch (message) {
    case kMsgRunTask:
      RunNextTask();
      return 0;
    case WM_TIMER:
      Raise(MainEvent::Timer, TimerOf(wParam));
      return 0;
    case kMsgTray:
      RaiseTrayEvent(LOWORD(lParam));
      return 0;
    case WM_CLOSE:
      // The program decides whether it ends; DefWindowProc would destroy the window.
      Raise(MainEvent::CloseRequest);
      return 0;
    case WM_ENDSESSION:
      // wParam is zero when the end of the session was called off.
      if (wParam != 0) Raise(MainEvent::SessionEnds);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// A class that exists already was registered here by an earlier opening.
bool RegisterMainClass(HINSTANCE instance, HICON icon) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kClassName;
  return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Window OpenMainLoop(Module module, Icon icon, MainEventHandler handler, void* context) {
  const HINSTANCE instance = win32::ToHinstance(module);
  if (!handler || !RegisterMainClass(instance, win32::ToHicon(icon))) return nullptr;
  gHandler = handler;
  gContext = context;
  gTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  const HWND hwnd =
      CreateWindowExW(0, kClassName, L"", WS_OVERLAPPEDWINDOW, -100, -100, 0, 0, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return nullptr;
  ShowWindow(hwnd, SW_HIDE);
  UpdateWindow(hwnd);
  gWindow = hwnd;
  return win32::FromHwnd(hwnd);
}

// What is still queued never runs, as its messages die with the window.
void CloseMainLoop(Window window) {
  if (!window) return;
  {
    std::lock_guard<std::mutex> hold(gQueueLock);
    HWND closing = win32::ToHwnd(window);
    if (gWindow.compare_exchange_strong(closing, nullptr)) gQueue.clear();
  }
  DestroyWindow(win32::ToHwnd(window));  // its timers die with it
}

// A task whose message cannot be posted is taken back, so that the caller,
// told false, may free its argument.
bool PostToMainThread(MainTask task, void* argument) {
  if (!task) return false;
  std::lock_guard<std::mutex> hold(gQueueLock);
  const HWND hwnd = gWindow;
  if (!hwnd) return false;
  gQueue.push_back({task, argument});
  if (PostMessageW(hwnd, kMsgRunTask, 0, 0)) return true;
  gQueue.pop_back();
  return false;
}

// Timers are started and stopped on the main thread only.
Timer StartTimer(uint32_t periodMs) {
  const HWND hwnd = gWindow;
  if (!hwnd || SetTimer(hwnd, gLastTimer + 1, periodMs, nullptr) == 0) return nullptr;
  return TimerOf(++gLastTimer);
}

void StopTimer(Timer timer) {
  const HWND hwnd = gWindow;
  if (timer && hwnd) KillTimer(hwnd, IdOf(timer));
}

// The layout of Windows Vista and later, which every Windows the program
// runs on understands: balloons need it.
NOTIFYICONDATAW TrayIconData() {
  NOTIFYICONDATAW data;
  std::memset(&data, 0, sizeof data);
  data.cbSize = sizeof data;
  data.hWnd = gWindow;
  data.uID = kTrayIconId;
  return data;
}

// The shell's newest ways with the icon, without which a click on its
// balloon is not told. The mouse messages come as before, the event in the
// low word of lParam; only the tooltip must now be asked for (NIF_SHOWTIP).
void SetTrayVersion() {
  NOTIFYICONDATAW data = TrayIconData();
  data.uVersion = NOTIFYICON_VERSION_4;
  Shell_NotifyIconW(NIM_SETVERSION, &data);
}

// UTF-8 into a fixed field of the shell's, cut between characters.
template <size_t N>
void CopyUtf8(wchar_t (&field)[N], const char* text) {
  field[0] = L'\0';
  if (text == nullptr || *text == '\0') return;
  const int size = static_cast<int>(strnlen(text, 4 * N));
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text, size, nullptr, 0)), L'\0');
  if (!wide.empty()) MultiByteToWideChar(CP_UTF8, 0, text, size, &wide[0], static_cast<int>(wide.size()));
  size_t length = std::min(wide.size(), N - 1);
  if (length > 0 && length < wide.size() && IS_HIGH_SURROGATE(wide[length - 1])) --length;
  std::memcpy(field, wide.data(), length * sizeof(wchar_t));
  field[length] = L'\0';
}

bool ShowTrayIcon(Icon icon, const char* tip) {
  NOTIFYICONDATAW data = TrayIconData();
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
  data.uCallbackMessage = kMsgTray;
  data.hIcon = win32::ToHicon(icon);
  const std::wstring text = win32::Wide(tip, tip != nullptr ? strnlen(tip, 63) : 0);
  std::memcpy(data.szTip, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  const bool adding = !gTrayShown;
  if (data.hWnd == nullptr || !Shell_NotifyIconW(adding ? NIM_ADD : NIM_MODIFY, &data)) return false;
  if (adding) SetTrayVersion();
  gTrayShown = true;
  return true;
}

bool ShowTrayBalloon(const char* titleUtf8, const char* textUtf8) {
  NOTIFYICONDATAW data = TrayIconData();
  data.uFlags = NIF_INFO | NIF_SHOWTIP;
  CopyUtf8(data.szInfoTitle, titleUtf8);
  CopyUtf8(data.szInfo, textUtf8);
  data.dwInfoFlags = NIIF_INFO | NIIF_NOSOUND | NIIF_RESPECT_QUIET_TIME;
  return gTrayShown && data.hWnd != nullptr && Shell_NotifyIconW(NIM_MODIFY, &data);
}

bool RemoveTrayIcon() {
  NOTIFYICONDATAW data = TrayIconData();
  gTrayShown = false;
  return data.hWnd != nullptr && Shell_NotifyIconW(NIM_DELETE, &data);
}

void RaiseTimerNow(Timer timer) {
  if (timer) Raise(MainEvent::Timer, timer);
}

void QuitMainLoop(int code) { PostQuitMessage(code); }

int RunMainLoop() {
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
