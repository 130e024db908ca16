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
  platform::KernelObject SpeakerSemaphore;
  platform::KernelObject WavSemaphore;
};
Alert g_alert;

void CopyCut(char* target, const char* text) {
  std::strncpy(target, text != nullptr ? text : "", kAlertTextSize - 1);
  target[kAlertTextSize - 1] = '\0';
}

void SpeakerThread(void*) {
  if (g_alert.Mode == kSoundSpeaker || g_alert.Mode == kSoundBoth)
    PlaySpeakerPattern(g_alert.Pattern, g_alert.StepMs);
  platform::ReleaseSemaphoreObject(g_alert.SpeakerSemaphore);
}

void WavThread(void*) {
  if ((g_alert.Mode == kSoundWav || g_alert.Mode == kSoundBoth) && platform::FileExists(g_alert.WavPath)) {
    platform::PlayWaveFile(g_alert.WavPath);
  }
  platform::ReleaseSemaphoreObject(g_alert.WavSemaphore);
}

// Both semaphores or neither: what one took alone is given back.
bool TakeBoth(platform::KernelObject speaker, platform::KernelObject wav) {
  if (platform::WaitForObject(speaker, kTakeWithinMs) != platform::WaitResult::Taken) return false;
  if (platform::WaitForObject(wav, 0) == platform::WaitResult::Taken) return true;
  platform::ReleaseSemaphoreObject(speaker);
  return false;
}

}  // namespace

void StartAlertSound(platform::KernelObject speakerSemaphore, platform::KernelObject wavSemaphore,
                     int32_t mode, const char* pattern, const char* wavPath, uint32_t stepMs) {
  if (!TakeBoth(speakerSemaphore, wavSemaphore)) return;
  CopyCut(g_alert.Pattern, pattern);
  CopyCut(g_alert.WavPath, wavPath);
  g_alert.StepMs = stepMs;
  g_alert.Mode = mode;
  g_alert.SpeakerSemaphore = speakerSemaphore;
  g_alert.WavSemaphore = wavSemaphore;
  // A thread that cannot start still gives its semaphore back.
  if (!platform::StartDetachedThread(SpeakerThread, nullptr))
    platform::ReleaseSemaphoreObject(speakerSemaphore);
  if (!platform::StartDetachedThread(WavThread, nullptr)) platform::ReleaseSemaphoreObject(wavSemaphore);
}
