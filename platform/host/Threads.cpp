// Threads and sleeping of the stand-in: real threads, counted so that a test
// can wait for every thread the program started.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Detail.h"
#include "platform/host/HostControl.h"

namespace {

std::mutex g_lock;
std::condition_variable g_ended;
int g_running = 0;
bool g_failStart = false;
int g_startCalls = 0;
std::vector<uint32_t> g_sleeps;
// Real sleeps are cut to this, so that a test of a long melody is quick.
constexpr uint32_t kLongestRealSleepMs = 20;

void Ended() {
  std::lock_guard<std::mutex> hold(g_lock);
  --g_running;
  g_ended.notify_all();
}

}  // namespace

namespace platform {

bool StartDetachedThread(ThreadRoutine routine, void* argument) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_startCalls;
    if (g_failStart || routine == nullptr) return false;
    ++g_running;
  }
  std::thread([routine, argument] {
    routine(argument);
    Ended();
  }).detach();
  return true;
}

void SleepMs(uint32_t milliseconds) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_sleeps.push_back(milliseconds);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(milliseconds, kLongestRealSleepMs)));
}

uint64_t MonotonicMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace platform

namespace host {

void FailThreadStart(bool fail) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_failStart = fail;
}

int ThreadStartCount() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_startCalls;
}

std::vector<uint32_t> Sleeps() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_sleeps;
}

namespace detail {

void ResetThreads() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_failStart = false;
  g_startCalls = 0;
  g_sleeps.clear();
}

}  // namespace detail

int RunningThreadCount() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_running;
}

void JoinStartedThreads() {
  std::unique_lock<std::mutex> hold(g_lock);
  g_ended.wait(hold, [] { return g_running == 0; });
}

}  // namespace host
