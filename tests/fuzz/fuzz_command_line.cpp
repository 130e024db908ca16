// Command lines come from the registry and from mail headers.
#include <cstdint>
#include <cstring>
#include <string>

#include "mail/CommandRunner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  CommandParts parts;
  if (SplitCommandLine(line.c_str(), parts) != SplitResult::Ok) return 0;
  if (std::strlen(parts.Target) > kMaxCommandPart || std::strlen(parts.Params) > kMaxCommandPart) __builtin_trap();
  // Both parts are pieces of the line, in order.
  const std::string text = line.c_str();
  const size_t target = text.find(parts.Target);
  if (target == std::string::npos || text.rfind(parts.Params) == std::string::npos) __builtin_trap();
  return 0;
}
