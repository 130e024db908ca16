// Stored passwords come from the registry, where anyone may have put anything.
#include <cstdint>
#include <cstring>
#include <string>

#include "settings/PasswordScrambler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string stored(reinterpret_cast<const char*>(data), size);
  std::string password(stored.c_str());
  ScramblePassword(password, ScrambleDirection::Decode);
  // Whatever decodes must encode and decode back to itself.
  const std::string plain = password;
  ScramblePasswordSeeded(password, ScrambleDirection::Encode, static_cast<uint32_t>(size));
  if (std::strlen(password.c_str()) != 2 * plain.size()) __builtin_trap();
  ScramblePassword(password, ScrambleDirection::Decode);
  if (plain != password) __builtin_trap();
  return 0;
}
