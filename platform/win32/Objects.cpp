// Named mutexes and semaphores.
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {

using win32::FromHandle;
using win32::ToHandle;

KernelObject CreateNamedMutex(const char* name, bool takeOwnership, bool* existed) {
  HANDLE mutex = CreateMutexW(nullptr, takeOwnership ? TRUE : FALSE, win32::Wide(name).c_str());
  // Read at once: any later call may overwrite the last error.
  const bool already = mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  if (existed) *existed = already;
  return FromHandle(mutex);
}

KernelObject CreateNamedSemaphore(const char* name, int32_t initialCount, int32_t maximumCount) {
  return FromHandle(CreateSemaphoreW(nullptr, initialCount, maximumCount, win32::Wide(name).c_str()));
}

WaitResult WaitForObject(KernelObject object, uint32_t timeoutMs) {
  if (!object) return WaitResult::Failed;
  switch (WaitForSingleObject(ToHandle(object), timeoutMs)) {
    case WAIT_OBJECT_0: return WaitResult::Taken;
    case WAIT_ABANDONED: return WaitResult::Abandoned;
    case WAIT_TIMEOUT: return WaitResult::TimedOut;
    default: return WaitResult::Failed;
  }
}

bool ReleaseMutexObject(KernelObject mutex) {
  return mutex && ReleaseMutex(ToHandle(mutex));
}

bool ReleaseSemaphoreObject(KernelObject semaphore) {
  return semaphore && ReleaseSemaphore(ToHandle(semaphore), 1, nullptr);
}

void CloseObject(KernelObject object) {
  if (object) CloseHandle(ToHandle(object));
}

}  // namespace platform
