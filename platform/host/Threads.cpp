// Threads and pauses of the stand-in: real threads, counted so that a test
// can wait for every thread the program started.
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

namespace {

struct Threads {
  int running = 0;
  bool failStart = false;
  int startCalls = 0;
  std::vector<uint32_t> pauses;
};

// Reset forgets all but the threads that run on.
host::detail::Guarded<Threads>& g_threads = *new host::detail::Guarded<Threads>([](Threads& t) {
  Threads fresh;
  fresh.running = t.running;
  t = fresh;
});

// Real pauses are cut to this, so that a test of a long melody is quick.
constexpr uint32_t kLongestRealPauseMs = 20;

}  // namespace

namespace platform {

bool StartDetachedThread(ThreadRoutine routine, void* argument) {
  const bool start = g_threads([&](Threads& t) {
    ++t.startCalls;
    const bool starts = !t.failStart && routine != nullptr;
    t.running += starts ? 1 : 0;
    return starts;
  });
  if (!start) return false;
  std::thread([routine, argument] {
    routine(argument);
    g_threads([](Threads& t) { --t.running; });
  }).detach();
  return true;
}

void Pause(uint32_t milliseconds) {
  g_threads.Add(&Threads::pauses, std::min(milliseconds, kLongestPauseMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(milliseconds, kLongestRealPauseMs)));
}

uint64_t MonotonicMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace platform

namespace host {

void FailThreadStart(bool fail) { g_threads.Set(&Threads::failStart, fail); }

int ThreadStartCount() { return g_threads.Get(&Threads::startCalls); }

std::vector<uint32_t> Pauses() { return g_threads.Get(&Threads::pauses); }

void JoinStartedThreads() {
  g_threads.Wait([](Threads& t) { return t.running == 0; }, UINT32_MAX, [](Threads&, bool) {});
}

}  // namespace host
