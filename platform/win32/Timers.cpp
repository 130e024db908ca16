// Window timers and thread timers.
#include <map>
#include <mutex>

#include "platform/win32/Handles.h"

namespace platform {

using win32::ToHwnd;

namespace {

// A TIMERPROC has Windows' calling convention and arguments; the program's
// routine takes none, so it is looked up by the timer's id.
std::mutex gTimersLock;
std::map<UINT_PTR, ThreadTimerRoutine> gRoutines;

void CALLBACK ThreadTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  ThreadTimerRoutine routine = nullptr;
  {
    std::lock_guard<std::mutex> lock(gTimersLock);
    const auto found = gRoutines.find(id);
    if (found != gRoutines.end()) routine = found->second;
  }
  if (routine) routine();
}

}  // namespace

bool SetWindowTimer(Window window, uintptr_t id, uint32_t periodMs) {
  return window && SetTimer(ToHwnd(window), id, periodMs, nullptr) != 0;
}

bool KillWindowTimer(Window window, uintptr_t id) {
  return window && KillTimer(ToHwnd(window), id);
}

uintptr_t SetThreadTimer(uint32_t periodMs, ThreadTimerRoutine routine) {
  if (!routine) return 0;
  // Held across SetTimer so the first tick cannot find the id unregistered.
  std::lock_guard<std::mutex> lock(gTimersLock);
  const UINT_PTR id = SetTimer(nullptr, 0, periodMs, ThreadTimerProc);
  if (id != 0) gRoutines[id] = routine;
  return id;
}

bool KillThreadTimer(uintptr_t id) {
  {
    std::lock_guard<std::mutex> lock(gTimersLock);
    gRoutines.erase(id);
  }
  return id != 0 && KillTimer(nullptr, id);
}

}  // namespace platform
