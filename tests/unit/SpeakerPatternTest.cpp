#include "notify/SpeakerPattern.h"

#include <gtest/gtest.h>

#include "platform/host/HostControl.h"

TEST(SpeakerPattern, BeepsOnlyForExclamationMarks) {
  for (bool nt : {true, false}) {
    host::Reset();
    host::SetNtPlatform(nt);
    PlaySpeakerPattern("!xp !p", 1);
    const auto sounds = host::Sounds();
    ASSERT_EQ(2u, sounds.size());
    for (const auto& sound : sounds) {
      // The NT family gets a 100 Hz speaker tone, older Windows its simple beep.
      EXPECT_EQ(nt ? 100u : 0u, sound.frequencyHz);
      EXPECT_EQ(nt ? 8u : 0u, sound.durationMs);
    }
  }
}

TEST(SpeakerPattern, NothingToPlayIsQuiet) {
  host::Reset();
  PlaySpeakerPattern("", 1000);
  PlaySpeakerPattern("abc", 1000);
  PlaySpeakerPattern(nullptr, 1000);
  EXPECT_TRUE(host::Sounds().empty());
}
