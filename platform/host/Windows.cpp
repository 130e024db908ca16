// Windows, message queues, timers and the manual clock of the stand-in.
//
// Each thread has a queue. A message sent from another thread waits in the
// window's thread's queue until that thread pumps, as on Windows. Time stands
// still until a test advances it; timers that fall due on the way are queued
// like WM_TIMER, at most one pending per timer, as Windows coalesces them.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Detail.h"
#include "platform/host/HostControl.h"

namespace {

using platform::Window;

struct WindowClass {
  platform::WindowProc procedure;
  platform::Icon icon;
};

struct WindowRecord {
  platform::WindowProc procedure;
  std::thread::id thread;
};

// A sent message's answer, filled in by the window's thread.
struct Reply {
  bool done = false;
  intptr_t result = 0;
};

enum class Kind { Posted, Sent, Timer, ThreadTimer };

struct Message {
  Kind kind;
  Window window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
  Reply* reply;                                  // Sent only
  platform::ThreadTimerRoutine routine;          // ThreadTimer only
};

struct Timer {
  Window window;  // null for a thread timer
  uintptr_t id;
  std::thread::id thread;
  platform::ThreadTimerRoutine routine;
  uint32_t periodMs;
  uint64_t dueMs;
};

constexpr int64_t kResetTime = 1768478400;  // 2026-01-15 12:00:00 UTC

std::mutex g_lock;
std::condition_variable g_changed;
std::map<std::string, WindowClass> g_classes;
std::map<Window, WindowRecord> g_windows;
std::map<std::thread::id, std::deque<Message>> g_queues;
std::map<std::thread::id, int> g_quitCodes;
std::vector<Timer> g_timers;
uintptr_t g_nextWindow = 0x1000;
uintptr_t g_nextThreadTimer = 1;
// Named messages take numbers from 0xC000 up, as on Windows.
std::map<std::string, uint32_t> g_messageNames;
uint64_t g_clockMs = 0;
int64_t g_baseTime = kResetTime;

const WindowRecord* FindWindow(Window window) {
  auto found = g_windows.find(window);
  return found == g_windows.end() ? nullptr : &found->second;
}

bool TimerMessagePending(const Timer& timer) {
  for (const Message& queued : g_queues[timer.thread]) {
    if ((queued.kind == Kind::Timer || queued.kind == Kind::ThreadTimer) && queued.window == timer.window &&
        queued.wParam == timer.id) {
      return true;
    }
  }
  return false;
}

void QueueTimerMessage(const Timer& timer) {
  if (TimerMessagePending(timer)) return;
  const Kind kind = timer.window != nullptr ? Kind::Timer : Kind::ThreadTimer;
  g_queues[timer.thread].push_back({kind, timer.window, platform::kMsgTimer, timer.id, 0, nullptr, timer.routine});
}

Timer* EarliestDue(uint64_t limitMs) {
  Timer* earliest = nullptr;
  for (Timer& timer : g_timers) {
    if (timer.dueMs <= limitMs && (earliest == nullptr || timer.dueMs < earliest->dueMs)) earliest = &timer;
  }
  return earliest;
}

void Dispatch(const Message& message) {
  if (message.kind == Kind::ThreadTimer) {
    if (message.routine != nullptr) message.routine();
    return;
  }
  platform::WindowProc procedure = nullptr;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    const WindowRecord* record = FindWindow(message.window);
    if (record != nullptr) procedure = record->procedure;
  }
  const intptr_t result =
      procedure != nullptr ? procedure(message.window, message.message, message.wParam, message.lParam) : 0;
  if (message.reply != nullptr) {
    std::lock_guard<std::mutex> hold(g_lock);
    message.reply->result = result;
    message.reply->done = true;
    g_changed.notify_all();
  }
}

// Takes the calling thread's next message; false when the queue is empty.
bool TakeMessage(Message* message) {
  std::lock_guard<std::mutex> hold(g_lock);
  std::deque<Message>& queue = g_queues[std::this_thread::get_id()];
  if (queue.empty()) return false;
  *message = queue.front();
  queue.pop_front();
  return true;
}

bool QuitPosted(int* code) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto found = g_quitCodes.find(std::this_thread::get_id());
  if (found == g_quitCodes.end()) return false;
  *code = found->second;
  g_quitCodes.erase(found);
  return true;
}

void WaitForMessage(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> hold(g_lock);
  const std::thread::id self = std::this_thread::get_id();
  g_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                     [&] { return !g_queues[self].empty() || g_quitCodes.count(self) != 0; });
}

}  // namespace

namespace platform {

bool RegisterWindowClass(Module, const char* className, WindowProc procedure, Icon icon) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (className == nullptr || procedure == nullptr || g_classes.count(className) != 0) return false;
  g_classes[className] = {procedure, icon};
  return true;
}

Window CreateHiddenWindow(Module, const char* className) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto found = g_classes.find(className != nullptr ? className : "");
  if (found == g_classes.end()) return nullptr;
  Window window = reinterpret_cast<Window>(g_nextWindow);
  g_nextWindow += 4;
  g_windows[window] = {found->second.procedure, std::this_thread::get_id()};
  return window;
}

void DestroyWindowObject(Window window) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_windows.erase(window);
  for (size_t i = g_timers.size(); i-- > 0;) {
    if (g_timers[i].window == window && window != nullptr) g_timers.erase(g_timers.begin() + i);
  }
}

bool WindowExists(Window window) {
  std::lock_guard<std::mutex> hold(g_lock);
  return FindWindow(window) != nullptr;
}

bool WindowVisible(Window) { return false; }

intptr_t DefaultWindowProc(Window, uint32_t, uintptr_t, intptr_t) { return 0; }

intptr_t SendWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Reply reply;
  std::unique_lock<std::mutex> hold(g_lock);
  const WindowRecord* record = FindWindow(window);
  if (record == nullptr) return 0;
  if (record->thread == std::this_thread::get_id()) {
    WindowProc procedure = record->procedure;
    hold.unlock();
    return procedure(window, message, wParam, lParam);
  }
  g_queues[record->thread].push_back({Kind::Sent, window, message, wParam, lParam, &reply, nullptr});
  g_changed.notify_all();
  g_changed.wait(hold, [&] { return reply.done || FindWindow(window) == nullptr; });
  return reply.result;
}

bool PostWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard<std::mutex> hold(g_lock);
  const WindowRecord* record = FindWindow(window);
  if (record == nullptr) return false;
  g_queues[record->thread].push_back({Kind::Posted, window, message, wParam, lParam, nullptr, nullptr});
  g_changed.notify_all();
  return true;
}

uint32_t RegisterMessageName(const char* name) {
  if (name == nullptr || *name == '\0') return 0;
  std::lock_guard<std::mutex> hold(g_lock);
  const auto added = g_messageNames.emplace(name, 0xC000 + static_cast<uint32_t>(g_messageNames.size()));
  return added.first->second;
}

void PostQuit(int code) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_quitCodes[std::this_thread::get_id()] = code;
  g_changed.notify_all();
}

int RunMessageLoop() {
  for (;;) {
    Message message;
    if (TakeMessage(&message)) {
      Dispatch(message);
      continue;
    }
    int code = 0;
    if (QuitPosted(&code)) return code;
    WaitForMessage(100);
  }
}

bool SetWindowTimer(Window window, uintptr_t id, uint32_t periodMs) {
  std::lock_guard<std::mutex> hold(g_lock);
  const WindowRecord* record = FindWindow(window);
  if (record == nullptr) return false;
  for (Timer& timer : g_timers) {
    if (timer.window == window && timer.id == id) {
      timer.periodMs = periodMs;
      timer.dueMs = g_clockMs + periodMs;
      return true;
    }
  }
  g_timers.push_back({window, id, record->thread, nullptr, periodMs, g_clockMs + periodMs});
  return true;
}

bool KillWindowTimer(Window window, uintptr_t id) {
  std::lock_guard<std::mutex> hold(g_lock);
  for (size_t i = 0; i < g_timers.size(); ++i) {
    if (g_timers[i].window == window && g_timers[i].id == id && window != nullptr) {
      g_timers.erase(g_timers.begin() + i);
      return true;
    }
  }
  return false;
}

uintptr_t SetThreadTimer(uint32_t periodMs, ThreadTimerRoutine routine) {
  std::lock_guard<std::mutex> hold(g_lock);
  const uintptr_t id = g_nextThreadTimer++;
  g_timers.push_back({nullptr, id, std::this_thread::get_id(), routine, periodMs, g_clockMs + periodMs});
  return id;
}

bool KillThreadTimer(uintptr_t id) {
  std::lock_guard<std::mutex> hold(g_lock);
  for (size_t i = 0; i < g_timers.size(); ++i) {
    if (g_timers[i].window == nullptr && g_timers[i].id == id) {
      g_timers.erase(g_timers.begin() + i);
      return true;
    }
  }
  return false;
}

int64_t CurrentTime() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_baseTime + static_cast<int64_t>(g_clockMs / 1000);
}

}  // namespace platform

namespace host {

void SetTime(int64_t secondsSince1970) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_baseTime = secondsSince1970 - static_cast<int64_t>(g_clockMs / 1000);
}

void AdvanceClock(uint32_t milliseconds) {
  std::lock_guard<std::mutex> hold(g_lock);
  const uint64_t target = g_clockMs + milliseconds;
  while (Timer* timer = EarliestDue(target)) {
    g_clockMs = timer->dueMs;
    QueueTimerMessage(*timer);
    // A timer of period 0 still waits a tick, as Windows gives it a minimum.
    timer->dueMs += timer->periodMs > 0 ? timer->periodMs : 1;
  }
  g_clockMs = target;
  g_changed.notify_all();
}

int PumpMessages() {
  int handled = 0;
  Message message;
  while (TakeMessage(&message)) {
    Dispatch(message);
    ++handled;
  }
  return handled;
}

std::vector<uintptr_t> ActiveTimers(platform::Window window) {
  std::lock_guard<std::mutex> hold(g_lock);
  std::vector<uintptr_t> ids;
  for (const Timer& timer : g_timers) {
    if (timer.window == window) ids.push_back(timer.id);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

bool TakeQuitCode(int* code) { return QuitPosted(code); }

int RunningThreadTimerCount() {
  std::lock_guard<std::mutex> hold(g_lock);
  return static_cast<int>(std::count_if(g_timers.begin(), g_timers.end(),
                                        [](const Timer& timer) { return timer.window == nullptr; }));
}

bool WaitForQueuedMessage(uint32_t timeoutMs) {
  WaitForMessage(timeoutMs);
  std::lock_guard<std::mutex> hold(g_lock);
  return !g_queues[std::this_thread::get_id()].empty();
}

namespace detail {

void ResetWindows() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_classes.clear();
  g_windows.clear();
  g_queues.clear();
  g_quitCodes.clear();
  g_timers.clear();
  g_nextThreadTimer = 1;
  g_messageNames.clear();
  g_clockMs = 0;
  g_baseTime = kResetTime;
  g_changed.notify_all();
}

}  // namespace detail
}  // namespace host
