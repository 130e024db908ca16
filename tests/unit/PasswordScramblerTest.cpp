#include "settings/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <string>

TEST(PasswordScrambler, NoByteAtAnyPositionIsStoredAsZero) {
  // The encoder steps one place past a position that would give zero; the
  // table must make sure the next place never gives zero as well.
  for (int byte = 1; byte < 256; ++byte) {
    for (int position = 0; position < kScrambleTableSize; ++position) {
      const uint8_t here = static_cast<uint8_t>(byte + ScrambleTableEntry(position));
      const uint8_t next = static_cast<uint8_t>(byte + ScrambleTableEntry((position + 1) % kScrambleTableSize));
      ASSERT_TRUE(here != 0 || next != 0) << "byte " << byte << " at " << position;
    }
  }
}

TEST(PasswordScrambler, EveryByteSurvivesTheRoundTripWithEverySeed) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  for (uint32_t seed : {0u, 1u, 42u, 1768478400u, 0xFFFFFFFFu}) {
    String password(all.c_str());
    ScramblePasswordSeeded(password, ScrambleDirection::Encode, seed);
    const std::string stored = password.Text();
    ASSERT_EQ(2 * all.size(), stored.size()) << "a zero byte cut the stored text";
    for (size_t i = 1; i < stored.size(); i += 2) {
      const int position = static_cast<uint8_t>(stored[i]);
      EXPECT_TRUE(position >= 1 && position <= 150) << position;
    }
    ScramblePasswordSeeded(password, ScrambleDirection::Decode, seed + 1);
    EXPECT_EQ(all, password.Text());
  }
}

TEST(PasswordScrambler, DifferentSeedsStoreTheSamePasswordDifferently) {
  String first("секрет123");
  String second("секрет123");
  ScramblePasswordSeeded(first, ScrambleDirection::Encode, 1000);
  ScramblePasswordSeeded(second, ScrambleDirection::Encode, 1001);
  EXPECT_STRNE(first.Text(), second.Text());
}

TEST(PasswordScrambler, EmptyStaysEmpty) {
  String password;
  ScramblePassword(password, ScrambleDirection::Encode);
  EXPECT_STREQ("", password.Text());
  ScramblePassword(password, ScrambleDirection::Decode);
  EXPECT_STREQ("", password.Text());
}

TEST(PasswordScrambler, TextsThatAreNoScrambledFormDecodeToEmpty) {
  const char* invalid[] = {
      "abc",          // odd length
      "a\x97",        // position 151
      "ab\x01\xFF",   // a valid pair, then position 255
      "\x3D\x01",     // decodes to a zero byte: no encoder writes that
  };
  for (const char* stored : invalid) {
    String password(stored);
    ScramblePassword(password, ScrambleDirection::Decode);
    EXPECT_STREQ("", password.Text()) << stored;
  }
}
