// Names no other run of the tests uses: named objects are shared by the
// whole session and the registry by every run, and ctest may run several
// tests at once.
#pragma once

#include <atomic>
#include <chrono>
#include <random>
#include <string>

namespace conformance {

inline std::string UniqueSuffix() {
  static const std::string suffix = [] {
    std::random_device device;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::to_string(device()) + "-" + std::to_string(now % 1000000007);
  }();
  return suffix;
}

// A new name on every call, so repeated runs in one process meet no leftovers.
inline std::string FreshSuffix() {
  static std::atomic<int> counter{0};
  return UniqueSuffix() + "-" + std::to_string(++counter);
}

inline std::string UniqueName(const std::string& what) { return "VestunConformance-" + what + "-" + UniqueSuffix(); }

}  // namespace conformance
