#include "notify/SpeakerPattern.h"

#include <algorithm>

#include "platform/Platform.h"

namespace {
constexpr uint32_t kBeepHz = 100;
constexpr uint32_t kBeepMs = 8;
constexpr char kNewsTune[] = "!!p!p!!!p!p!";
constexpr uint32_t kNewsTuneStepMs = 80;
}  // namespace

void PlaySpeakerPattern(const char* pattern, uint32_t stepMs) {
  if (pattern == nullptr) return;
  const uint32_t step = std::min(stepMs, kMaxStepMs);
  uint32_t left = kMaxMelodyMs;
  for (const char* next = pattern; *next != '\0' && left > 0; ++next) {
    if (*next == '!') {
      platform::SpeakerBeep(kBeepHz, kBeepMs);
      left -= std::min(left, kBeepMs);
    } else if (*next != 'p') {
      continue;
    }
    const uint32_t pause = std::min(step, left);
    platform::Pause(pause);
    left -= pause;
  }
}

void PlayNewsTune() { PlaySpeakerPattern(kNewsTune, kNewsTuneStepMs); }
