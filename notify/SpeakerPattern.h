// Melodies for the PC speaker, written as patterns: "!" is a beep followed by
// a pause of one step, "p" a pause of one step, anything else nothing.
#pragma once

#include <cstdint>

// Plays the pattern on the calling thread and returns when it has finished.
void PlaySpeakerPattern(const char* pattern, uint32_t stepMs);
