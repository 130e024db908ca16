#include "settings/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <string>

TEST(PasswordScrambler, NoByteAtAnyPositionIsStoredAsZero) {
  // The encoder steps one place past a position that would give zero; the
  // table must make sure the next place never gives zero as well.
  for (int byte = 1; byte < 256; ++byte) {
    for (int position = 0; position < kScrambleTableSize; ++position) {
      const uint8_t here = static_cast<uint8_t>(byte + ScrambleTableEntry(position));
      const uint8_t next =
          static_cast<uint8_t>(byte + ScrambleTableEntry((position + 1) % kScrambleTableSize));
      ASSERT_TRUE(here != 0 || next != 0) << "byte " << byte << " at " << position;
    }
  }
}

TEST(PasswordScrambler, StoredFormsDecodeAsSettingsHoldThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"\x9E\x01", "a"},           // 'a' + 61 at position 1
      {"\x13\x96\x61\x03", "ab"},  // + 178 at position 150 wraps; + 255 at position 3
      {"", ""},
      {"abc", ""},         // odd length
      {"a\x97", ""},       // position 151
      {"ab\x01\xFF", ""},  // a valid pair, then position 255
      {"\x3D\x01", ""},    // decodes to a zero byte: no encoder writes that
  };
  for (const auto& c : cases) {
    String password(c.first);
    ScramblePassword(password, ScrambleDirection::Decode);
    EXPECT_STREQ(c.second, password.Text()) << c.first;
  }
}
