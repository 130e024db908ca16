#include "settings/PasswordScrambler.h"

#include "platform/Platform.h"

#include <cstring>
#include <random>
#include <string>

uint8_t ScrambleTableEntry(int position) {
  // Entries step by 97, which is odd and so never a multiple of 256 apart:
  // neighbours differ, also across the wrap from 149 to 0 (178 and 61).
  return static_cast<uint8_t>((position * 97 + 61) % 256);
}

namespace {

std::string Encode(const char* plain, uint32_t seed) {
  std::minstd_rand generator(seed);
  std::string scrambled;
  for (const char* next = plain; *next != '\0'; ++next) {
    const uint8_t byte = static_cast<uint8_t>(*next);
    int position = static_cast<int>(generator() % kScrambleTableSize);
    if (static_cast<uint8_t>(byte + ScrambleTableEntry(position)) == 0) {
      position = (position + 1) % kScrambleTableSize;
    }
    scrambled += static_cast<char>(static_cast<uint8_t>(byte + ScrambleTableEntry(position)));
    scrambled += static_cast<char>(position + 1);
  }
  return scrambled;
}

bool Decode(const char* stored, std::string* plain) {
  const size_t length = std::strlen(stored);
  if (length % 2 != 0) return false;
  for (size_t i = 0; i < length; i += 2) {
    const int position = static_cast<uint8_t>(stored[i + 1]);
    if (position < 1 || position > kScrambleTableSize) return false;
    const uint8_t byte = static_cast<uint8_t>(static_cast<uint8_t>(stored[i]) - ScrambleTableEntry(position - 1));
    // A zero here would be a pair no encoder writes; it would also cut the text.
    if (byte == 0) return false;
    *plain += static_cast<char>(byte);
  }
  return true;
}

}  // namespace

void ScramblePassword(std::string& password, ScrambleDirection direction) {
  ScramblePasswordSeeded(password, direction, static_cast<uint32_t>(platform::CurrentTime()));
}

void ScramblePasswordSeeded(std::string& password, ScrambleDirection direction, uint32_t seed) {
  if (direction == ScrambleDirection::Encode) {
    password = Encode(password.c_str(), seed);
    return;
  }
  std::string plain;
  password = Decode(password.c_str(), &plain) ? plain : std::string();
}
