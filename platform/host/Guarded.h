// The state of one part of the stand-in behind its lock. The program's
// threads and the tests' reach it at once; a change wakes whoever waits for
// one, and host::Reset forgets it. Each part allocates its own and never
// frees it, since a detached thread may still use it while the process exits.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace host::detail {

// What host::Reset runs: filled while statics are made, before any thread starts.
inline std::vector<std::function<void()>>& Forgetters() {
  static auto* forgetters = new std::vector<std::function<void()>>;
  return *forgetters;
}

template <typename State>
class Guarded {
 public:
  // host::Reset runs forget(state); null leaves the state as it is.
  explicit Guarded(void (*forget)(State&) = Fresh) {
    if (forget != nullptr) Forgetters().push_back([this, forget] { (*this)(forget); });
  }

  static void Fresh(State& state) { state = State(); }

  // Runs use(state) under the lock and returns what it returns.
  template <typename Use>
  auto operator()(Use use) {
    std::lock_guard<std::mutex> hold(lock_);
    changed_.notify_all();
    return use(state_);
  }

  // A copy of one field of the state, a new value for it, and one more
  // element at the end of a container field.
  template <typename Field>
  Field Get(Field State::*field) {
    return (*this)([&](State& state) { return state.*field; });
  }
  template <typename Field>
  void Set(Field State::*field, Field value) {
    (*this)([&](State& state) { state.*field = std::move(value); });
  }
  template <typename Field, typename Element>
  void Add(Field State::*field, Element element) {
    (*this)([&](State& state) { (state.*field).insert((state.*field).end(), std::move(element)); });
  }

  // Waits at most timeoutMs until ready(state) holds, then runs
  // use(state, whether it holds) under the same lock.
  template <typename Ready, typename Use>
  auto Wait(Ready ready, uint32_t timeoutMs, Use use) {
    std::unique_lock<std::mutex> hold(lock_);
    const bool holds =
        changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return ready(state_); });
    changed_.notify_all();
    return use(state_, holds);
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  State state_;
};

// The next of the answers a test queued, or `otherwise` when none is left.
template <typename Answer>
Answer Next(std::deque<Answer>& queue, Answer otherwise) {
  if (queue.empty()) return otherwise;
  const Answer answer = queue.front();
  queue.pop_front();
  return answer;
}

}  // namespace host::detail
