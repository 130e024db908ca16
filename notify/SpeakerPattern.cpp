#include "notify/SpeakerPattern.h"

#include "platform/Platform.h"

namespace {
constexpr uint32_t kBeepHz = 100;
constexpr uint32_t kBeepMs = 8;
}  // namespace

void PlaySpeakerPattern(const char* pattern, uint32_t stepMs) {
  if (pattern == nullptr) return;
  const bool nt = platform::IsNtPlatform();
  for (const char* next = pattern; *next != '\0'; ++next) {
    if (*next == '!') {
      if (nt) {
        platform::SpeakerBeep(kBeepHz, kBeepMs);
      } else {
        platform::DefaultBeep();
      }
      platform::SleepMs(stepMs);
    } else if (*next == 'p') {
      platform::SleepMs(stepMs);
    }
  }
}
