// Stand-in for the named locks: one table of names for the process. What a
// name stands for lives as long as a handle to it is open, as on Windows.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Detail.h"

namespace platform {
namespace {

struct Named {
  bool held = false;
  std::thread::id holder;  // a lock's; a slot has none
  bool orphaned = false;
};

struct Names {
  std::mutex lock;
  std::condition_variable changed;
  std::map<std::string, std::weak_ptr<Named>> table;
};

// Never destroyed: threads may end after static destruction has begun.
Names& State() {
  static Names* names = new Names;
  return *names;
}

// A thread that ends holding locks leaves them to the next taker, who is
// told; a thread-local list is destroyed exactly when its thread ends.
struct ThreadLocks {
  std::vector<std::weak_ptr<Named>> taken;
  ~ThreadLocks() {
    Names& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    for (const std::weak_ptr<Named>& weak : taken) {
      const std::shared_ptr<Named> named = weak.lock();
      if (!named || !named->held || named->holder != std::this_thread::get_id()) continue;
      named->held = false;
      named->orphaned = true;
    }
    s.changed.notify_all();
  }
};
thread_local ThreadLocks tLocks;

}  // namespace

struct NamedHandle {
  std::shared_ptr<Named> named;
};
struct InstanceClaimTag : NamedHandle {};
struct LockTag : NamedHandle {};
struct SlotTag : NamedHandle {};

namespace {

// Opens the name, creating what it stands for when no handle has it open.
template <typename Tag>
Tag* Open(const char* name, bool* existed) {
  if (!name) return nullptr;
  Names& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  std::weak_ptr<Named>& entry = s.table[name];
  std::shared_ptr<Named> named = entry.lock();
  *existed = named != nullptr;
  if (!named) entry = named = std::make_shared<Named>();
  return new Tag{{std::move(named)}};
}

void Close(NamedHandle* handle) {
  std::lock_guard<std::mutex> hold(State().lock);
  delete handle;
}

// Waits at most timeoutMs for the name to be free and marks it held.
bool Fill(const NamedHandle* handle, uint32_t timeoutMs, std::unique_lock<std::mutex>& hold) {
  Named& named = *handle->named;
  const auto free = [&] { return !named.held; };
  if (!State().changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), free)) return false;
  named.held = true;
  return true;
}

}  // namespace

InstanceClaim ClaimInstance(const char* name, bool* elsewhere) {
  bool existed = false;
  InstanceClaim claim = Open<InstanceClaimTag>(name, &existed);
  if (elsewhere) *elsewhere = existed;
  if (!existed) return claim;
  Close(claim);
  return nullptr;
}

void EndInstanceClaim(InstanceClaim claim) { Close(claim); }

Lock OpenLock(const char* name) {
  bool existed = false;
  return Open<LockTag>(name, &existed);
}

LockTake TakeLock(Lock lock, uint32_t timeoutMs) {
  if (!lock) return LockTake::Busy;
  std::unique_lock<std::mutex> hold(State().lock);
  if (!Fill(lock, timeoutMs, hold)) return LockTake::Busy;
  Named& named = *lock->named;
  named.holder = std::this_thread::get_id();
  auto& taken = tLocks.taken;
  taken.erase(std::remove_if(taken.begin(), taken.end(), [](const auto& weak) { return weak.expired(); }),
              taken.end());
  taken.push_back(lock->named);
  const bool orphaned = named.orphaned;
  named.orphaned = false;
  return orphaned ? LockTake::Orphaned : LockTake::Taken;
}

void LeaveLock(Lock lock) {
  if (!lock) return;
  Names& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  Named& named = *lock->named;
  if (!named.held || named.holder != std::this_thread::get_id()) return;
  named.held = false;
  named.holder = std::thread::id();
  s.changed.notify_all();
}

void CloseLock(Lock lock) { Close(lock); }

Slot OpenSlot(const char* name) {
  bool existed = false;
  return Open<SlotTag>(name, &existed);
}

bool TakeSlot(Slot slot, uint32_t timeoutMs) {
  if (!slot) return false;
  std::unique_lock<std::mutex> hold(State().lock);
  return Fill(slot, timeoutMs, hold);
}

void FreeSlot(Slot slot) {
  if (!slot) return;
  Names& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  slot->named->held = false;
  s.changed.notify_all();
}

void CloseSlot(Slot slot) { Close(slot); }

}  // namespace platform

namespace host::detail {

void ResetObjects() {
  platform::Names& s = platform::State();
  std::lock_guard<std::mutex> hold(s.lock);
  s.table.clear();
  s.changed.notify_all();
}

}  // namespace host::detail
