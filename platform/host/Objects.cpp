// Stand-in for the named locks: one table of names for the process. A name
// lives as long as a handle to it is open, as on Windows; Reset leaves it.
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "platform/Platform.h"

namespace platform {
namespace {

struct Named {
  std::string name;
  int handles = 0;
  bool held = false;
  std::thread::id holder;  // a lock's; a slot's is nobody
  bool orphaned = false;
};

struct Names {
  std::mutex lock;
  std::condition_variable changed;
  std::map<std::string, Named> table;
};

// Never destroyed: threads may end after static destruction has begun.
Names& State() {
  static Names* names = new Names;
  return *names;
}

// A thread that ends holding locks leaves them to the next taker, who is
// told; a thread-local object is destroyed exactly when its thread ends.
struct ThreadEnd {
  bool tookLocks = false;
  ~ThreadEnd() {
    if (!tookLocks) return;
    Names& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    for (auto& entry : s.table) {
      Named& named = entry.second;
      if (!named.held || named.holder != std::this_thread::get_id()) continue;
      named.held = false;
      named.orphaned = true;
    }
    s.changed.notify_all();
  }
};
thread_local ThreadEnd tThreadEnd;

template <typename Handle>
Named* Of(Handle handle) {
  return reinterpret_cast<Named*>(handle);
}

template <typename Handle>
Handle Open(const char* name, bool* existed = nullptr) {
  if (!name) return nullptr;
  std::lock_guard<std::mutex> hold(State().lock);
  Named& named = State().table[name];
  named.name = name;
  if (existed) *existed = named.handles > 0;
  ++named.handles;
  return reinterpret_cast<Handle>(&named);
}

template <typename Handle>
void Close(Handle handle) {
  std::lock_guard<std::mutex> hold(State().lock);
  Named* named = Of(handle);
  if (--named->handles == 0) State().table.erase(std::string(named->name));
}

// Waits at most timeoutMs for the name to be free and gives it to holder.
LockTake Fill(Named* named, std::thread::id holder, uint32_t timeoutMs) {
  if (!named) return LockTake::Busy;
  Names& s = State();
  std::unique_lock<std::mutex> hold(s.lock);
  if (!s.changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return !named->held; }))
    return LockTake::Busy;
  named->held = true;
  named->holder = holder;
  return std::exchange(named->orphaned, false) ? LockTake::Orphaned : LockTake::Taken;
}

// Frees the name when holder holds it.
void Empty(Named* named, std::thread::id holder) {
  if (!named) return;
  Names& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  if (!named->held || named->holder != holder) return;
  named->held = false;
  named->holder = std::thread::id();
  s.changed.notify_all();
}

}  // namespace

InstanceClaim ClaimInstance(const char* name, bool* elsewhere) {
  bool existed = false;
  InstanceClaim claim = Open<InstanceClaim>(name, &existed);
  if (elsewhere) *elsewhere = existed;
  if (!existed) return claim;
  Close(claim);
  return nullptr;
}

void EndInstanceClaim(InstanceClaim claim) { Close(claim); }

Lock OpenLock(const char* name) { return Open<Lock>(name); }

LockTake TakeLock(Lock lock, uint32_t timeoutMs) {
  tThreadEnd.tookLocks = true;
  return Fill(Of(lock), std::this_thread::get_id(), timeoutMs);
}

void LeaveLock(Lock lock) { Empty(Of(lock), std::this_thread::get_id()); }

void CloseLock(Lock lock) { Close(lock); }

Slot OpenSlot(const char* name) { return Open<Slot>(name); }

bool TakeSlot(Slot slot, uint32_t timeoutMs) {
  return Fill(Of(slot), std::thread::id(), timeoutMs) != LockTake::Busy;
}

void FreeSlot(Slot slot) { Empty(Of(slot), std::thread::id()); }

void CloseSlot(Slot slot) { Close(slot); }

}  // namespace platform
