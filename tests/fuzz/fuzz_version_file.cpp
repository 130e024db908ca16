// The version file comes from a web site: any bytes, an error page, nothing.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "app/VersionCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* body = reinterpret_cast<const char*>(data);
  const float version = SiteVersionOf(body, size);
  if (!std::isfinite(version) || version < 0.0f) __builtin_trap();
  // Only the first bytes count: what follows them changes nothing.
  if (size > kVersionFileBytes) {
    char head[kVersionFileBytes];
    std::memcpy(head, body, sizeof head);
    if (SiteVersionOf(head, sizeof head) != version) __builtin_trap();
  }
  return 0;
}
