// The main loop and the manual clock of the stand-in. Work and timer events
// wait in one queue until the main thread runs them. Time stands still until
// a test advances it; timers that fall due on the way are queued in due
// order, at most one pending per timer, as Windows coalesces them.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

namespace {

struct Item {
  platform::MainTask task;
  void* context;
  void* argument;
};

struct Schedule {
  uint32_t periodMs;
  uint64_t dueMs;
};

struct Loop {
  platform::MainEventHandler handler = nullptr;  // null while the loop is closed
  void* context = nullptr;
  std::deque<Item> queue;
  std::map<platform::Timer, Schedule> timers;
  std::optional<int> quitCode;
  uint64_t clockMs = 0;
  int64_t baseTime = 1768478400;  // 2026-01-15 12:00:00 UTC
};

host::detail::Guarded<Loop>& g_loop = *new host::detail::Guarded<Loop>;
const platform::Window kMainWindow = reinterpret_cast<platform::Window>(0x1000);
// The last timer's name. Reset leaves it: a timer that a test's object
// still holds names none of a later test.
uintptr_t g_lastTimer = 0;

void RaiseTimer(void*, void* timer) { platform::RaiseTimerNow(static_cast<platform::Timer>(timer)); }

void QueueTimerEvent(Loop& loop, platform::Timer timer) {
  const Item event{RaiseTimer, loop.context, timer};
  const bool pending = std::any_of(loop.queue.begin(), loop.queue.end(), [&](const Item& item) {
    return item.task == event.task && item.argument == event.argument;
  });
  if (!pending) loop.queue.push_back(event);
}

}  // namespace

namespace platform {

Window OpenMainLoop(Module, Icon, MainEventHandler handler, void* context) {
  if (handler == nullptr) return nullptr;
  g_loop([&](Loop& loop) {
    loop.handler = handler;
    loop.context = context;
  });
  return kMainWindow;
}

void CloseMainLoop(Window window) {
  if (window != kMainWindow) return;
  g_loop([](Loop& loop) {
    loop.handler = nullptr;
    loop.queue.clear();
    loop.timers.clear();
  });
}

bool PostToMainThread(MainTask task, void* argument) {
  return g_loop([&](Loop& loop) {
    if (loop.handler == nullptr || task == nullptr) return false;
    loop.queue.push_back({task, loop.context, argument});
    return true;
  });
}

Timer StartTimer(uint32_t periodMs) {
  return g_loop([&](Loop& loop) -> Timer {
    if (loop.handler == nullptr) return nullptr;
    const auto timer = reinterpret_cast<Timer>(++g_lastTimer);
    loop.timers[timer] = {periodMs, loop.clockMs + periodMs};
    return timer;
  });
}

void StopTimer(Timer timer) {
  g_loop([&](Loop& loop) { loop.timers.erase(timer); });
}

void RaiseTimerNow(Timer timer) {
  if (timer != nullptr) host::RaiseEvent(MainEvent::Timer, timer);
}

void QuitMainLoop(int code) { g_loop.Set(&Loop::quitCode, std::optional<int>(code)); }

int RunMainLoop() {
  int code = 0;
  for (host::RunQueued(); !host::TakeQuitCode(&code); host::RunQueued()) host::WaitForQueued(100);
  return code;
}

int64_t CurrentTime() {
  return g_loop([](Loop& loop) { return loop.baseTime + static_cast<int64_t>(loop.clockMs / 1000); });
}

}  // namespace platform

namespace host {

void SetTime(int64_t secondsSince1970) {
  g_loop([&](Loop& loop) { loop.baseTime = secondsSince1970 - static_cast<int64_t>(loop.clockMs / 1000); });
}

void AdvanceClock(uint32_t milliseconds) {
  g_loop([&](Loop& loop) {
    const uint64_t target = loop.clockMs + milliseconds;
    for (;;) {
      const auto due =
          std::min_element(loop.timers.begin(), loop.timers.end(),
                           [](const auto& a, const auto& b) { return a.second.dueMs < b.second.dueMs; });
      if (due == loop.timers.end() || due->second.dueMs > target) break;
      loop.clockMs = due->second.dueMs;
      QueueTimerEvent(loop, due->first);
      // A timer of period 0 still waits a tick, as Windows gives it a minimum.
      due->second.dueMs += std::max<uint32_t>(due->second.periodMs, 1);
    }
    loop.clockMs = target;
  });
}

void RaiseEvent(platform::MainEvent event, platform::Timer timer) {
  const auto [handler, context] =
      g_loop([](Loop& loop) { return std::make_pair(loop.handler, loop.context); });
  if (handler != nullptr) handler(context, event, timer);
}

int RunQueued() {
  for (int handled = 0;; ++handled) {
    const Item item = g_loop([](Loop& loop) { return detail::Next(loop.queue, Item{}); });
    if (item.task == nullptr) return handled;
    item.task(item.context, item.argument);
  }
}

bool WaitForQueued(uint32_t timeoutMs) {
  return g_loop.Wait([](Loop& loop) { return !loop.queue.empty() || loop.quitCode; }, timeoutMs,
                     [](Loop& loop, bool) { return !loop.queue.empty(); });
}

bool TakeQuitCode(int* code) {
  return g_loop([&](Loop& loop) {
    if (loop.quitCode) *code = *loop.quitCode;
    return std::exchange(loop.quitCode, std::nullopt).has_value();
  });
}

}  // namespace host
