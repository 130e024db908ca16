// A new name on every call: named objects are shared by the whole session,
// the registry by every run, and ctest may run several tests at once.
#pragma once

#include <atomic>
#include <random>
#include <string>

namespace conformance {

inline std::string UniqueName(const std::string& what) {
  static const std::string run = std::to_string(std::random_device()());
  static std::atomic<int> counter{0};
  return "VestunConformance-" + what + "-" + run + "-" + std::to_string(++counter);
}

}  // namespace conformance
