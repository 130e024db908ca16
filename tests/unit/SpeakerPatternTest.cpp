#include "notify/SpeakerPattern.h"

#include <gtest/gtest.h>

#include "platform/host/HostControl.h"

TEST(SpeakerPattern, BeepsOnlyForExclamationMarks) {
  host::Reset();
  PlaySpeakerPattern("!xp !p", 1);
  PlaySpeakerPattern(nullptr, 1);
  const auto sounds = host::Sounds();
  ASSERT_EQ(2u, sounds.size());
  for (const auto& sound : sounds) EXPECT_EQ(100u, sound.frequencyHz);
}
