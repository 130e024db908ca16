// Melodies for the PC speaker, written as patterns: "!" is a beep followed by
// a pause of one step, "p" a pause of one step, anything else nothing.
#pragma once

#include <cstdint>

// A melody plays for at most kMaxMelodyMs, beeps and pauses together, with
// steps of at most kMaxStepMs, whatever step the box has stored: an alert
// holds the speaker for as long as its melody lasts, and a stored step of
// 4294967295 ms would otherwise keep it for minutes, every later alert
// silenced meanwhile. The bound leaves the longest pattern an alert keeps,
// 99 marks, room to play whole at steps up to 295 ms (at the default
// 100 ms it lasts 10.7 s).
constexpr uint32_t kMaxStepMs = 2000;
constexpr uint32_t kMaxMelodyMs = 30000;

// Plays the pattern on the calling thread and returns when it has finished,
// or when kMaxMelodyMs have passed.
void PlaySpeakerPattern(const char* pattern, uint32_t stepMs);

// The program's own call, for news of its own: a new version, the yearly
// census. Plays as PlaySpeakerPattern does.
void PlayNewsTune();
