// The main loop and the manual clock of the stand-in.
//
// Work and timer events wait in one queue until the main thread runs them.
// Time stands still until a test advances it; timers that fall due on the
// way are queued in due order, at most one pending per timer, as Windows
// coalesces them.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Detail.h"
#include "platform/host/HostControl.h"

namespace {

struct Item {
  platform::MainTask task;
  void* argument;
  bool* done;  // a waiting sender's flag, or null
};

struct Timer {
  uint32_t periodMs;
  uint64_t dueMs;
};

constexpr int64_t kResetTime = 1768478400;  // 2026-01-15 12:00:00 UTC
const platform::Window kMainWindow = reinterpret_cast<platform::Window>(0x1000);

std::mutex g_lock;
std::condition_variable g_changed;
bool g_open = false;
std::thread::id g_mainThread;
platform::MainEventHandler g_handler = nullptr;
std::deque<Item> g_queue;
std::map<uintptr_t, Timer> g_timers;
bool g_quit = false;
int g_quitCode = 0;
uint64_t g_clockMs = 0;
int64_t g_baseTime = kResetTime;

void RaiseTimer(void* id) { platform::RaiseTimerNow(reinterpret_cast<uintptr_t>(id)); }

void QueueTimerEvent(uintptr_t id) {
  const Item event{RaiseTimer, reinterpret_cast<void*>(id), nullptr};
  const bool pending = std::any_of(g_queue.begin(), g_queue.end(), [&](const Item& item) {
    return item.task == event.task && item.argument == event.argument;
  });
  if (!pending) g_queue.push_back(event);
}

}  // namespace

namespace platform {

Window OpenMainLoop(Module, Icon, MainEventHandler handler) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (handler == nullptr) return nullptr;
  g_open = true;
  g_mainThread = std::this_thread::get_id();
  g_handler = handler;
  return kMainWindow;
}

void CloseMainLoop(Window window) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (window != kMainWindow) return;
  g_open = false;
  g_queue.clear();
  g_timers.clear();
  g_changed.notify_all();
}

bool PostToMainThread(MainTask task, void* argument) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_open || task == nullptr) return false;
  g_queue.push_back({task, argument, nullptr});
  g_changed.notify_all();
  return true;
}

bool RunOnMainThread(MainTask task, void* argument) {
  std::unique_lock<std::mutex> hold(g_lock);
  if (!g_open || task == nullptr) return false;
  if (g_mainThread == std::this_thread::get_id()) {
    hold.unlock();
    task(argument);
    return true;
  }
  bool done = false;
  g_queue.push_back({task, argument, &done});
  g_changed.notify_all();
  g_changed.wait(hold, [&] { return done || !g_open; });
  return done;
}

bool StartTimer(uintptr_t id, uint32_t periodMs) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_open || id == 0) return false;
  g_timers[id] = {periodMs, g_clockMs + periodMs};
  return true;
}

bool StopTimer(uintptr_t id) {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_timers.erase(id) != 0;
}

void RaiseTimerNow(uintptr_t id) { host::RaiseEvent(MainEvent::Timer, id); }

void QuitMainLoop(int code) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_quit = true;
  g_quitCode = code;
  g_changed.notify_all();
}

int RunMainLoop() {
  int code = 0;
  for (;;) {
    host::RunQueued();
    if (host::TakeQuitCode(&code)) return code;
    host::WaitForQueued(100);
  }
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
  for (;;) {
    const auto due = std::min_element(g_timers.begin(), g_timers.end(),
                                      [](const auto& a, const auto& b) { return a.second.dueMs < b.second.dueMs; });
    if (due == g_timers.end() || due->second.dueMs > target) break;
    g_clockMs = due->second.dueMs;
    QueueTimerEvent(due->first);
    // A timer of period 0 still waits a tick, as Windows gives it a minimum.
    due->second.dueMs += due->second.periodMs > 0 ? due->second.periodMs : 1;
  }
  g_clockMs = target;
  g_changed.notify_all();
}

void RaiseEvent(platform::MainEvent event, uintptr_t timerId) {
  platform::MainEventHandler handler = nullptr;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_open) handler = g_handler;
  }
  if (handler != nullptr) handler(event, timerId);
}

int RunQueued() {
  for (int handled = 0;; ++handled) {
    std::unique_lock<std::mutex> hold(g_lock);
    if (g_queue.empty()) return handled;
    const Item item = g_queue.front();
    g_queue.pop_front();
    hold.unlock();
    item.task(item.argument);
    if (item.done == nullptr) continue;
    hold.lock();
    *item.done = true;
    g_changed.notify_all();
  }
}

bool WaitForQueued(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> hold(g_lock);
  return g_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [] { return !g_queue.empty() || g_quit; }) &&
         !g_queue.empty();
}

bool TakeQuitCode(int* code) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_quit) return false;
  g_quit = false;
  *code = g_quitCode;
  return true;
}

std::vector<uintptr_t> ActiveTimers() {
  std::lock_guard<std::mutex> hold(g_lock);
  std::vector<uintptr_t> ids;
  for (const auto& [id, timer] : g_timers) ids.push_back(id);
  return ids;
}

namespace detail {

void ResetMainLoop() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_open = false;
  g_handler = nullptr;
  g_queue.clear();
  g_timers.clear();
  g_quit = false;
  g_clockMs = 0;
  g_baseTime = kResetTime;
  g_changed.notify_all();
}

}  // namespace detail
}  // namespace host
