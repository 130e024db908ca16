// Reset of the stand-in: every part's state forgets what the last test did.
#include <functional>
#include <vector>

#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

namespace host {
namespace {

// Filled while the program's statics are made, before any thread starts.
std::vector<std::function<void()>>& Forgetters() {
  static auto* forgetters = new std::vector<std::function<void()>>;
  return *forgetters;
}

}  // namespace

void detail::OnReset(std::function<void()> forget) { Forgetters().push_back(std::move(forget)); }

void Reset() {
  for (const auto& forget : Forgetters()) forget();
}

}  // namespace host
