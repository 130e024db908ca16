#include "notify/SpeakerPattern.h"

#include <gtest/gtest.h>

#include <numeric>

#include "platform/host/HostControl.h"

// Beeps of 8 ms at 100 Hz for "!" only; a pause of one step after "!" and for
// "p"; steps and the whole melody bounded.
TEST(SpeakerPattern, PlaysMarksWithinBoundedSteps) {
  struct Case {
    const char* what;
    const char* pattern;
    uint32_t stepMs;
    size_t beeps;
    uint64_t sleptMs;
  } cases[] = {
      {"the mailbox default", "!p!!!p!ppp!p!", 100, 7, 1300},
      {"other characters are silent", "!xp !p", 1, 2, 4},
      {"no pattern", nullptr, 100, 0, 0},
      {"a step of 4294967295 ms lasts two seconds", "!p", 0xFFFFFFFF, 1, 2 * kMaxStepMs},
      {"the melody stops after eight seconds", "!!!!!!", kMaxStepMs, 4, kMaxMelodyMs - 4 * 8},
      {"a pause is cut at the end", "ppppp", 1900, 0, kMaxMelodyMs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host::Reset();
    PlaySpeakerPattern(c.pattern, c.stepMs);
    const auto sounds = host::Sounds();
    const auto sleeps = host::Sleeps();
    ASSERT_EQ(c.beeps, sounds.size());
    for (const auto& sound : sounds) EXPECT_EQ(100u, sound);
    EXPECT_EQ(c.sleptMs, std::accumulate(sleeps.begin(), sleeps.end(), uint64_t{0}));
    for (uint32_t sleep : sleeps) EXPECT_LE(sleep, kMaxStepMs);
  }
}
