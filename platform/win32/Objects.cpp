// The named locks on Windows' named objects. Every copy of the program, an
// older version too, expects each name to be the same kind of object: the
// instance claim and a box's lock are mutexes, a slot is a semaphore that
// counts to 1.
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

template <typename Handle>
HANDLE Raw(Handle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

template <typename Handle>
Handle Wrap(HANDLE handle) {
  return reinterpret_cast<Handle>(handle);
}

void Close(HANDLE handle) {
  if (handle) CloseHandle(handle);
}

}  // namespace

// The first copy creates the mutex owned and keeps it until it ends; a later
// copy finds it there, and does not take it.
InstanceClaim ClaimInstance(const char* name, bool* elsewhere) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, win32::Wide(name).c_str());
  // Read at once: any later call may overwrite the last error.
  const bool existed = mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  if (elsewhere) *elsewhere = existed;
  if (!existed) return Wrap<InstanceClaim>(mutex);
  CloseHandle(mutex);
  return nullptr;
}

void EndInstanceClaim(InstanceClaim claim) {
  if (!claim) return;
  ReleaseMutex(Raw(claim));
  CloseHandle(Raw(claim));
}

Lock OpenLock(const char* name) {
  return Wrap<Lock>(CreateMutexW(nullptr, FALSE, win32::Wide(name).c_str()));
}

LockTake TakeLock(Lock lock, uint32_t timeoutMs) {
  if (!lock) return LockTake::Busy;
  switch (WaitForSingleObject(Raw(lock), timeoutMs)) {
    case WAIT_OBJECT_0:
      return LockTake::Taken;
    case WAIT_ABANDONED:
      return LockTake::Orphaned;
    default:
      return LockTake::Busy;
  }
}

// Windows refuses to release a mutex for a thread that does not own it.
void LeaveLock(Lock lock) {
  if (lock) ReleaseMutex(Raw(lock));
}

void CloseLock(Lock lock) { Close(Raw(lock)); }

Slot OpenSlot(const char* name) {
  return Wrap<Slot>(CreateSemaphoreW(nullptr, 1, 1, win32::Wide(name).c_str()));
}

bool TakeSlot(Slot slot, uint32_t timeoutMs) {
  return slot && WaitForSingleObject(Raw(slot), timeoutMs) == WAIT_OBJECT_0;
}

// A semaphore at its maximum refuses the release and keeps its count.
void FreeSlot(Slot slot) {
  if (slot) ReleaseSemaphore(Raw(slot), 1, nullptr);
}

void CloseSlot(Slot slot) { Close(Raw(slot)); }

}  // namespace platform
