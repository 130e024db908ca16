#include <gtest/gtest.h>

#include <string>

#include "platform/host/HostControl.h"
#include "settings/RegistryAccess.h"

using host::RegType;

constexpr char kKey[] = "Software\\Tandreller\\Settings";

// A value is what its bytes are: a text of 2047 bytes and anything of exactly
// four bytes (a three-letter text with its NUL too) are read; a failed read
// leaves the target alone.
TEST(RegistryAccess, ReadsTextsUpTo2047BytesAndNumbersOfExactlyFourBytes) {
  const std::string fits(2047, 'x');
  const struct {
    RegType type;
    std::string bytes;
    const char* text;  // as read, or null when missing
    int64_t number;    // as read, or -1 when missing
  } cases[] = {
      {RegType::Text, fits, fits.c_str(), -1},
      {RegType::Text, std::string(2048, 'y'), nullptr, -1},
      {RegType::Text, "abc", "abc", 0x00636261},
      {RegType::Text, "12345", "12345", -1},
      {RegType::Text, std::string("ab\0", 3), "ab", 0x00006261},
      {RegType::Number, "\x78\x56\x34\x12", "xV4\x12", 0x12345678},
      {RegType::Number, "\x01\x02", "\x01\x02", -1},
      {RegType::Bytes, "\x01\x02\x03\x04\x05\x06", "\x01\x02\x03\x04\x05\x06", -1},
      {RegType::Bytes, std::string(2048, 'z'), nullptr, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 8));
    host::Reset();
    host::PutValue(platform::RegRoot::CurrentUser, kKey, "Value", {c.type, c.bytes});
    platform::OwnedKey key = registry::OpenOrCreateKey(kKey);
    String text("kept");
    EXPECT_EQ(c.text != nullptr, registry::ReadStringValue(key, "Value", text) == 1);
    EXPECT_STREQ(c.text ? c.text : "kept", text.Text());
    int32_t number = -1;
    EXPECT_EQ(c.number >= 0, registry::ReadDwordValue(key, "Value", number) == 1);
    EXPECT_EQ(c.number, number);
  }
}
