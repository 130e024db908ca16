// Stand-in for named kernel objects: mutexes and semaphores shared by name
// across the process, with the waiting rules of Windows.
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Platform.h"
#include "platform/host/Detail.h"
#include "platform/host/HostControl.h"

namespace platform {
namespace {

constexpr uint32_t kInfinite = 0xFFFFFFFF;

struct Object {
  std::string name;
  bool isMutex = false;
  std::thread::id owner;  // a default id: nobody
  uint32_t recursion = 0;
  bool abandoned = false;
  int32_t count = 0;
  int32_t maximum = 0;
};

struct Objects {
  std::mutex lock;
  std::condition_variable changed;
  uintptr_t lastHandle = 0x1000;
  // A handle holds its object; the name table does not, so a name goes
  // away with the last handle, as on Windows.
  std::map<uintptr_t, std::shared_ptr<Object>> handles;
  std::map<std::string, std::weak_ptr<Object>> names;
};

// Never destroyed: threads may end after static destruction has begun.
Objects& State() {
  static Objects* state = new Objects;
  return *state;
}

void AbandonMutexesOf(std::thread::id thread) {
  Objects& s = State();
  std::lock_guard<std::mutex> lock(s.lock);
  for (auto& entry : s.handles) {
    Object& object = *entry.second;
    if (!object.isMutex || object.owner != thread) continue;
    object.owner = std::thread::id();
    object.recursion = 0;
    object.abandoned = true;
  }
  s.changed.notify_all();
}

// Windows abandons a mutex whose owning thread ends; a thread-local object
// is destroyed exactly then.
struct ThreadEndWatch {
  bool owns = false;
  ~ThreadEndWatch() {
    if (owns) AbandonMutexesOf(std::this_thread::get_id());
  }
};
thread_local ThreadEndWatch tThreadEnd;

void Own(Object& mutex) {
  mutex.owner = std::this_thread::get_id();
  mutex.recursion = 1;
  tThreadEnd.owns = true;
}

std::shared_ptr<Object> Named(Objects& s, const char* name) {
  if (!name || !*name) return nullptr;
  const auto found = s.names.find(name);
  return found == s.names.end() ? nullptr : found->second.lock();
}

KernelObject NewHandle(Objects& s, std::shared_ptr<Object> object) {
  s.lastHandle += 4;
  s.handles[s.lastHandle] = std::move(object);
  return reinterpret_cast<KernelObject>(s.lastHandle);
}

std::shared_ptr<Object> Lookup(Objects& s, KernelObject handle) {
  const auto found = s.handles.find(reinterpret_cast<uintptr_t>(handle));
  return found == s.handles.end() ? nullptr : found->second;
}

KernelObject AddNamed(Objects& s, const char* name, std::shared_ptr<Object> object) {
  if (name && *name) {
    object->name = name;
    s.names[name] = object;
  }
  return NewHandle(s, std::move(object));
}

bool Available(const Object& object) {
  if (!object.isMutex) return object.count > 0;
  return object.owner == std::thread::id() || object.owner == std::this_thread::get_id();
}

WaitResult Take(Object& object) {
  if (!object.isMutex) {
    --object.count;
    return WaitResult::Taken;
  }
  if (object.owner == std::this_thread::get_id()) {
    ++object.recursion;
    return WaitResult::Taken;
  }
  Own(object);
  if (!object.abandoned) return WaitResult::Taken;
  object.abandoned = false;
  return WaitResult::Abandoned;
}

}  // namespace

KernelObject CreateNamedMutex(const char* name, bool takeOwnership, bool* existed) {
  Objects& s = State();
  std::lock_guard<std::mutex> lock(s.lock);
  if (existed) *existed = false;
  if (std::shared_ptr<Object> found = Named(s, name)) {
    // Mutexes and semaphores share one namespace.
    if (!found->isMutex) return nullptr;
    if (existed) *existed = true;
    return NewHandle(s, std::move(found));
  }
  auto mutex = std::make_shared<Object>();
  mutex->isMutex = true;
  if (takeOwnership) Own(*mutex);
  return AddNamed(s, name, std::move(mutex));
}

KernelObject CreateNamedSemaphore(const char* name, int32_t initialCount, int32_t maximumCount) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) return nullptr;
  Objects& s = State();
  std::lock_guard<std::mutex> lock(s.lock);
  if (std::shared_ptr<Object> found = Named(s, name)) {
    return found->isMutex ? nullptr : NewHandle(s, std::move(found));
  }
  auto semaphore = std::make_shared<Object>();
  semaphore->count = initialCount;
  semaphore->maximum = maximumCount;
  return AddNamed(s, name, std::move(semaphore));
}

WaitResult WaitForObject(KernelObject object, uint32_t timeoutMs) {
  Objects& s = State();
  std::unique_lock<std::mutex> lock(s.lock);
  // Held by the waiter, so closing the handle meanwhile does not destroy it.
  const std::shared_ptr<Object> target = Lookup(s, object);
  if (!target) return WaitResult::Failed;
  const auto ready = [&] { return Available(*target); };
  if (timeoutMs == kInfinite) {
    s.changed.wait(lock, ready);
  } else {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!s.changed.wait_until(lock, deadline, ready)) return WaitResult::TimedOut;
  }
  return Take(*target);
}

bool ReleaseMutexObject(KernelObject mutex) {
  Objects& s = State();
  std::lock_guard<std::mutex> lock(s.lock);
  const std::shared_ptr<Object> target = Lookup(s, mutex);
  if (!target || !target->isMutex || target->owner != std::this_thread::get_id()) return false;
  if (--target->recursion == 0) {
    target->owner = std::thread::id();
    s.changed.notify_all();
  }
  return true;
}

bool ReleaseSemaphoreObject(KernelObject semaphore) {
  Objects& s = State();
  std::lock_guard<std::mutex> lock(s.lock);
  const std::shared_ptr<Object> target = Lookup(s, semaphore);
  if (!target || target->isMutex || target->count >= target->maximum) return false;
  ++target->count;
  s.changed.notify_all();
  return true;
}

void CloseObject(KernelObject object) {
  Objects& s = State();
  std::lock_guard<std::mutex> lock(s.lock);
  const auto found = s.handles.find(reinterpret_cast<uintptr_t>(object));
  if (found == s.handles.end()) return;
  const std::shared_ptr<Object> closing = std::move(found->second);
  s.handles.erase(found);
  if (closing.use_count() == 1 && !closing->name.empty()) s.names.erase(closing->name);
}

}  // namespace platform

namespace host::detail {

void ResetObjects() {
  platform::Objects& s = platform::State();
  std::lock_guard<std::mutex> lock(s.lock);
  s.handles.clear();
  s.names.clear();
  s.changed.notify_all();
}

}  // namespace host::detail
