#include "settings/RegistryAccess.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/host/HostControl.h"

using platform::RegRoot;

namespace {

constexpr char kKey[] = "Software\\Tandreller\\Settings";

class RegistryAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::Reset();
    key_ = registry::OpenOrCreateKey(kKey);
    ASSERT_TRUE(key_);
  }

  static void Put(const char* name, uint32_t type, const std::string& bytes) {
    host::PutValue(RegRoot::CurrentUser, kKey, name,
                   {type, std::vector<uint8_t>(bytes.begin(), bytes.end())});
  }

  platform::OwnedKey key_;
};

TEST_F(RegistryAccessTest, ReadsTextsUpTo2047BytesAndNumbersOfExactlyFourBytes) {
  const std::string fits(2047, 'x');
  Put("Fits", platform::kRegText, fits);
  Put("TooLong", platform::kRegText, std::string(2048, 'y'));
  String text("before");
  EXPECT_EQ(1, registry::ReadStringValue(key_, "Fits", text));
  EXPECT_EQ(0, registry::ReadStringValue(key_, "TooLong", text));
  EXPECT_EQ(fits, text.Text()) << "a failed read leaves the target alone";

  Put("Dword", platform::kRegDword, std::string("\x78\x56\x34\x12", 4));
  Put("AsText", platform::kRegText, std::string("abc\0", 4));
  Put("Short", platform::kRegDword, std::string("\x01\x02", 2));
  Put("Long", platform::kRegBinary, std::string("\x01\x02\x03\x04\x05\x06", 6));
  Put("Text", platform::kRegText, "12345");
  int32_t value = -5;
  EXPECT_EQ(1, registry::ReadDwordValue(key_, "Dword", value));
  EXPECT_EQ(0x12345678, value);
  EXPECT_EQ(1, registry::ReadDwordValue(key_, "AsText", value)) << "the type is not looked at";
  EXPECT_EQ(0x00636261, value);
  for (const char* name : {"Short", "Long", "Text", "Missing"}) {
    EXPECT_EQ(0, registry::ReadDwordValue(key_, name, value)) << name;
    EXPECT_EQ(0x00636261, value) << name;
  }
}

}  // namespace
