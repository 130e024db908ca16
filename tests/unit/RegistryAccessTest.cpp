#include "settings/RegistryAccess.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/host/HostControl.h"

using platform::RegRoot;

namespace {

constexpr char kKey[] = "Software\\Tandreller\\Settings";

class RegistryAccessTest : public ::testing::Test {
 protected:
  void SetUp() override { host::Reset(); }

  static void Put(const char* name, uint32_t type, const std::string& bytes) {
    host::PutValue(RegRoot::CurrentUser, kKey, name, {type, std::vector<uint8_t>(bytes.begin(), bytes.end())});
  }
  static host::RegValue Get(const char* name) {
    host::RegValue value;
    EXPECT_TRUE(host::GetValue(RegRoot::CurrentUser, kKey, name, &value)) << name;
    return value;
  }
};

TEST_F(RegistryAccessTest, TextsUpTo2047BytesAreReadLongerOnesAreMissing) {
  platform::RegKey key = registry::OpenOrCreateKey(kKey);
  ASSERT_NE(nullptr, key);
  const std::string fits(2047, 'x');
  const std::string tooLong(2048, 'y');
  Put("Fits", platform::kRegText, fits);
  Put("TooLong", platform::kRegText, tooLong);
  String target("before");
  EXPECT_EQ(1, registry::ReadStringValue(key, "Fits", target));
  EXPECT_EQ(fits, target.Text());
  EXPECT_EQ(0, registry::ReadStringValue(key, "TooLong", target));
  EXPECT_EQ(fits, target.Text()) << "a failed read leaves the target alone";
  registry::CloseKey(key);
}

TEST_F(RegistryAccessTest, NumbersAreExactlyFourBytesOfAnyType) {
  platform::RegKey key = registry::OpenOrCreateKey(kKey);
  Put("Dword", platform::kRegDword, std::string("\x78\x56\x34\x12", 4));
  Put("AsText", platform::kRegText, std::string("abc\0", 4));
  Put("Short", platform::kRegDword, std::string("\x01\x02", 2));
  Put("Long", platform::kRegBinary, std::string("\x01\x02\x03\x04\x05\x06", 6));
  Put("Text", platform::kRegText, "12345");
  int32_t value = -5;
  EXPECT_EQ(1, registry::ReadDwordValue(key, "Dword", value));
  EXPECT_EQ(0x12345678, value);
  EXPECT_EQ(1, registry::ReadDwordValue(key, "AsText", value)) << "the type is not looked at";
  EXPECT_EQ(0x00636261, value);
  value = -5;
  for (const char* name : {"Short", "Long", "Text", "Missing"}) {
    EXPECT_EQ(0, registry::ReadDwordValue(key, name, value)) << name;
    EXPECT_EQ(-5, value) << name;
  }
  registry::CloseKey(key);
}

TEST_F(RegistryAccessTest, WritesStoreTextsWithoutNulAndNumbersLittleEndian) {
  platform::RegKey key = registry::OpenOrCreateKey(kKey);
  EXPECT_EQ(1, registry::WriteStringValue(key, "Prompt", "Мыло"));
  EXPECT_EQ(1, registry::WriteDwordValue(key, "CommandCount", -1));
  registry::CloseKey(key);
  const host::RegValue prompt = Get("Prompt");
  EXPECT_EQ(platform::kRegText, prompt.type);
  EXPECT_EQ("\xCC\xFB\xEB\xEE", std::string(prompt.data.begin(), prompt.data.begin() + 4));
  const host::RegValue count = Get("CommandCount");
  EXPECT_EQ(platform::kRegDword, count.type);
  EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}), count.data);
}

TEST_F(RegistryAccessTest, AKeyThatCannotBeCreatedSaysSo) {
  host::FailKeysUnder("Software\\Tandreller");
  EXPECT_EQ(nullptr, registry::OpenOrCreateKey(kKey));
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Не удалось добавить ключ в реестр\nОбратитесь к сисадмину\nПрограмма завершает свою работу",
            boxes[0].text);
  EXPECT_EQ("Вестун :(", boxes[0].caption);
  EXPECT_EQ(platform::BoxIcon::Warning, boxes[0].icon);
  EXPECT_TRUE(boxes[0].systemModal);
}

TEST_F(RegistryAccessTest, TheSettingsKeyThatCannotBeReadHasItsOwnWords) {
  registry::ShowReadKeyFailure();
  ASSERT_EQ(1u, host::MessageBoxes().size());
  EXPECT_EQ("Не удалось считать ключ из реестра\nОбратитесь к сисадмину\nПрограмма завершает свою работу",
            host::MessageBoxes()[0].text);
  EXPECT_EQ(platform::BoxIcon::Warning, host::MessageBoxes()[0].icon);
}

TEST_F(RegistryAccessTest, AFailedWriteClosesTheKeyOnceAndSaysSoOnce) {
  platform::RegKey key = registry::OpenOrCreateKey(kKey);
  ASSERT_EQ(1, host::OpenKeyCount());
  host::FailWritesUnder(kKey);
  EXPECT_EQ(0, registry::WriteDwordValue(key, "A", 1));
  EXPECT_EQ(nullptr, key);
  EXPECT_EQ(0, host::OpenKeyCount()) << "the handle was closed";
  EXPECT_EQ(0, registry::WriteStringValue(key, "B", "x"));
  int32_t target = 3;
  registry::ReadOrWrite(key, "C", target);
  registry::CloseKey(key);
  ASSERT_EQ(1u, host::MessageBoxes().size()) << "later writes through the closed handle stay quiet";
  EXPECT_EQ("Не удалось добавить запись в реестр\nОбратитесь к сисадмину\nПрограмма завершает свою работу",
            host::MessageBoxes()[0].text);
}

TEST_F(RegistryAccessTest, ReadOrWriteKeepsStoredValuesAndWritesMissingOnes) {
  Put("Stored", platform::kRegDword, std::string("\x07\0\0\0", 4));
  platform::RegKey key = registry::OpenOrCreateKey(kKey);
  int32_t stored = 1;
  int32_t missing = 60;
  String text("по умолчанию");
  registry::ReadOrWrite(key, "Stored", stored);
  registry::ReadOrWrite(key, "Missing", missing);
  registry::ReadOrWrite(key, "Text", text);
  registry::CloseKey(key);
  EXPECT_EQ(7, stored);
  EXPECT_EQ(60, missing);
  EXPECT_EQ((std::vector<uint8_t>{60, 0, 0, 0}), Get("Missing").data);
  const host::RegValue storedText = Get("Text");
  EXPECT_EQ(std::string("по умолчанию"), std::string(storedText.data.begin(), storedText.data.end()).c_str());
  EXPECT_TRUE(host::MessageBoxes().empty());
}

}  // namespace
