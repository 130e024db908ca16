// The sound of new mail: a speaker melody, a WAV file, both or nothing,
// played on two short-lived threads so that the main thread never waits.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

// Sound modes of a mailbox; any other value is silent.
constexpr int32_t kSoundSpeaker = 0;
constexpr int32_t kSoundWav = 1;
constexpr int32_t kSoundBoth = 2;
constexpr int32_t kSoundNone = 3;

// The longest pattern and WAV path an alert keeps; longer ones are cut.
constexpr int kAlertTextSize = 100;

// Starts one alert and returns within about 10 ms. When the previous alert
// still sounds (its slots are not both free within 10 ms) the new one is
// dropped. The slots are the application's "2 TandrellerSoundNowS" and
// "2 TandrellerSoundNowW"; they also guard the alert's shared copies of the
// pattern and path, which are written only while both are held.
void StartAlertSound(platform::Slot speakerSlot, platform::Slot wavSlot, int32_t mode, const char* pattern,
                     const char* wavPath, uint32_t stepMs);
