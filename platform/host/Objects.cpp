// Stand-in for the named locks: one table of names for the process. A name
// lives as long as a handle to it is open, as on Windows; Reset leaves it.
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/Platform.h"
#include "platform/host/Guarded.h"

namespace platform {
namespace {

struct Named {
  std::string name;
  int handles = 0;
  std::optional<std::thread::id> holder;  // a lock's thread; a slot's is nobody
  bool orphaned = false;
};

using Names = std::map<std::string, Named>;
host::detail::Guarded<Names>& g_names = *new host::detail::Guarded<Names>(nullptr);

// A thread that ends holding locks leaves them to the next taker, who is
// told; a thread-local object is destroyed exactly when its thread ends.
struct ThreadEnd {
  bool tookLocks = false;
  ~ThreadEnd() {
    if (!tookLocks) return;
    g_names([](Names& names) {
      for (auto& [name, named] : names) {
        if (named.holder != std::this_thread::get_id()) continue;
        named.holder.reset();
        named.orphaned = true;
      }
    });
  }
};
thread_local ThreadEnd tThreadEnd;

// Every handle of a name points at it.
Named* Of(void* handle) { return static_cast<Named*>(handle); }

// A new handle to the name; *existed tells whether another was open.
template <typename Handle>
Handle Open(const char* name, bool* existed = nullptr) {
  if (!name) return nullptr;
  return g_names([&](Names& names) {
    Named& named = names[name];
    named.name = name;
    if (existed != nullptr) *existed = named.handles > 0;
    ++named.handles;
    return reinterpret_cast<Handle>(&named);
  });
}

void Close(void* handle) {
  g_names([&](Names& names) {
    if (--Of(handle)->handles == 0) names.erase(std::string(Of(handle)->name));
  });
}

// Waits at most timeoutMs for the name to be free and gives it to holder.
LockTake Fill(Named* named, std::thread::id holder, uint32_t timeoutMs) {
  if (!named) return LockTake::Busy;
  return g_names.Wait([&](Names&) { return !named->holder; }, timeoutMs,
                      [&](Names&, bool free) {
                        if (!free) return LockTake::Busy;
                        named->holder = holder;
                        return std::exchange(named->orphaned, false) ? LockTake::Orphaned : LockTake::Taken;
                      });
}

// Frees the name when holder holds it.
void Empty(Named* named, std::thread::id holder) {
  if (!named) return;
  g_names([&](Names&) {
    if (named->holder == holder) named->holder.reset();
  });
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
void CloseLock(Lock lock) { Close(lock); }

LockTake TakeLock(Lock lock, uint32_t timeoutMs) {
  tThreadEnd.tookLocks = true;
  return Fill(Of(lock), std::this_thread::get_id(), timeoutMs);
}

void LeaveLock(Lock lock) { Empty(Of(lock), std::this_thread::get_id()); }

Slot OpenSlot(const char* name) { return Open<Slot>(name); }
void CloseSlot(Slot slot) { Close(slot); }

bool TakeSlot(Slot slot, uint32_t timeoutMs) {
  return Fill(Of(slot), std::thread::id(), timeoutMs) != LockTake::Busy;
}

void FreeSlot(Slot slot) { Empty(Of(slot), std::thread::id()); }

}  // namespace platform
