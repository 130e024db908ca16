#include "notify/AlertSound.h"

#include <cstring>

#include "notify/SpeakerPattern.h"

namespace {

constexpr uint32_t kTakeWithinMs = 10;

// The alert that sounds now; see StartAlertSound for who may write it.
struct Alert {
  char Pattern[kAlertTextSize];
  char WavPath[kAlertTextSize];
  uint32_t StepMs;
  int32_t Mode;
  platform::Slot SpeakerSlot;
  platform::Slot WavSlot;
};
Alert g_alert;

void CopyCut(char* target, const char* text) {
  std::strncpy(target, text != nullptr ? text : "", kAlertTextSize - 1);
  target[kAlertTextSize - 1] = '\0';
}

void SpeakerThread(void*) {
  if (g_alert.Mode == kSoundSpeaker || g_alert.Mode == kSoundBoth)
    PlaySpeakerPattern(g_alert.Pattern, g_alert.StepMs);
  platform::FreeSlot(g_alert.SpeakerSlot);
}

void WavThread(void*) {
  if ((g_alert.Mode == kSoundWav || g_alert.Mode == kSoundBoth) && platform::FileExists(g_alert.WavPath)) {
    platform::PlayWaveFile(g_alert.WavPath);
  }
  platform::FreeSlot(g_alert.WavSlot);
}

// Both slots or neither: what one took alone is given back.
bool TakeBoth(platform::Slot speaker, platform::Slot wav) {
  if (!platform::TakeSlot(speaker, kTakeWithinMs)) return false;
  if (platform::TakeSlot(wav, 0)) return true;
  platform::FreeSlot(speaker);
  return false;
}

}  // namespace

void StartAlertSound(platform::Slot speakerSlot, platform::Slot wavSlot, int32_t mode, const char* pattern,
                     const char* wavPath, uint32_t stepMs) {
  if (!TakeBoth(speakerSlot, wavSlot)) return;
  CopyCut(g_alert.Pattern, pattern);
  CopyCut(g_alert.WavPath, wavPath);
  g_alert.StepMs = stepMs;
  g_alert.Mode = mode;
  g_alert.SpeakerSlot = speakerSlot;
  g_alert.WavSlot = wavSlot;
  // A thread that cannot start still gives its slot back.
  if (!platform::StartDetachedThread(SpeakerThread, nullptr)) platform::FreeSlot(speakerSlot);
  if (!platform::StartDetachedThread(WavThread, nullptr)) platform::FreeSlot(wavSlot);
}
