// Threads and time.
#include <ctime>
#include <new>

#include "platform/win32/ComApartment.h"
#include "platform/win32/Handles.h"

namespace platform {
namespace {

struct ThreadStart {
  ThreadRoutine routine;
  void* argument;
};

DWORD WINAPI ThreadMain(LPVOID parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  // A poll may open an error report through the shell, which can hand the
  // work to COM-based extensions.
  win32::ComApartment apartment;
  start.routine(start.argument);
  return 0;
}

}  // namespace

bool StartDetachedThread(ThreadRoutine routine, void* argument) {
  auto* start = new (std::nothrow) ThreadStart{routine, argument};
  if (!start) return false;
  // Nobody joins it; the thread object goes away when the thread ends.
  const win32::OwnedHandle thread(CreateThread(nullptr, 0, ThreadMain, start, 0, nullptr));
  if (!thread) delete start;
  return static_cast<bool>(thread);
}

void Pause(uint32_t milliseconds) { Sleep(milliseconds < kLongestPauseMs ? milliseconds : kLongestPauseMs); }

int64_t CurrentTime() { return static_cast<int64_t>(std::time(nullptr)); }

uint64_t MonotonicMs() { return GetTickCount64(); }

}  // namespace platform
