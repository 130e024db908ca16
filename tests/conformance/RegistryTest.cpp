// The registry as the program sees it through the ANSI functions, including
// the edges where a value does not match what the reader expects.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/conformance/Unique.h"

using namespace platform;

namespace {

constexpr uint8_t kUntouched = 0xAB;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = "Software\\Tandreller\\ConformanceTest\\" + conformance::FreshSuffix();
    key_ = RegCreateKeyObject(RegRoot::CurrentUser, path_.c_str());
    ASSERT_NE(key_, nullptr);
  }
  // The interface cannot delete values or keys; the unique key keeps runs apart.
  void TearDown() override { RegCloseKeyObject(key_); }

  void Put(const char* name, uint32_t type, const void* data, uint32_t size) {
    ASSERT_TRUE(RegSetValue(key_, name, type, data, size)) << name;
  }

  struct Read {
    RegResult result;
    uint32_t type;
    uint32_t size;
    std::vector<uint8_t> buffer;
  };
  Read Query(const char* name, uint32_t capacity, uint8_t fill = kUntouched) {
    Read read{RegResult::Failed, 0xFFFF, capacity, std::vector<uint8_t>(capacity + 1, fill)};
    read.result = RegQueryValue(key_, name, &read.type, read.buffer.data(), &read.size);
    return read;
  }

  std::string path_;
  RegKey key_ = nullptr;
};

// Texts written without their NUL: RegSetValueExA stores the NUL, so the
// reader needs one byte more than was written.
TEST_F(RegistryTest, TextWithoutNulNeedsRoomForTheNul) {
  struct Case {
    uint32_t written;
    RegResult result;
    uint32_t reportedSize;
  };
  const Case cases[] = {{2047, RegResult::Ok, 2048}, {2048, RegResult::MoreData, 2049}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    const std::string name = "Text" + std::to_string(c.written);
    const std::string text(c.written, 'A');
    Put(name.c_str(), kRegText, text.data(), c.written);
    Read read = Query(name.c_str(), 2048, 0);
    EXPECT_EQ(read.result, c.result);
    EXPECT_EQ(read.type, kRegText);
    EXPECT_EQ(read.size, c.reportedSize);
    if (c.result == RegResult::Ok) {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(read.buffer.data())), text);
    } else {
      EXPECT_EQ(read.buffer, std::vector<uint8_t>(2049, 0)) << "written although it did not fit";
    }
  }
}

TEST_F(RegistryTest, TextWithItsNulIsStoredOnce) {
  Put("Terminated", kRegText, "abc", 4);
  Read read = Query("Terminated", 8);
  EXPECT_EQ(read.result, RegResult::Ok);
  EXPECT_EQ(read.size, 4u);
  EXPECT_EQ(std::memcmp(read.buffer.data(), "abc\0", 4), 0);
  EXPECT_EQ(read.buffer[4], kUntouched);
}

TEST_F(RegistryTest, EmptyTextStaysEmpty) {
  Put("Empty", kRegText, "", 0);
  Read read = Query("Empty", 4);
  EXPECT_EQ(read.result, RegResult::Ok);
  EXPECT_EQ(read.type, kRegText);
  EXPECT_EQ(read.size, 0u);
  EXPECT_EQ(read.buffer[0], kUntouched);
}

TEST_F(RegistryTest, ValueOfTheWrongTypeReportsItsOwnTypeAndSize) {
  const uint32_t number = 0x11223344;
  Put("Text", kRegText, "12345", 6);
  Put("Number", kRegDword, &number, 4);

  Read textAsNumber = Query("Text", 4);
  EXPECT_EQ(textAsNumber.result, RegResult::MoreData);
  EXPECT_EQ(textAsNumber.type, kRegText);
  EXPECT_EQ(textAsNumber.size, 6u);
  EXPECT_EQ(textAsNumber.buffer, std::vector<uint8_t>(5, kUntouched));

  Read numberAsText = Query("Number", 16);
  EXPECT_EQ(numberAsText.result, RegResult::Ok);
  EXPECT_EQ(numberAsText.type, kRegDword);
  EXPECT_EQ(numberAsText.size, 4u);
  EXPECT_EQ(std::memcmp(numberAsText.buffer.data(), &number, 4), 0);
  EXPECT_EQ(numberAsText.buffer[4], kUntouched) << "a number is not terminated like a text";
}

// Neither type checks the length: a "DWORD" may hold 2 or 6 bytes.
TEST_F(RegistryTest, NumbersAndBinariesOfOtherLengthsIntoFourBytes) {
  const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  for (uint32_t type : {kRegDword, kRegBinary}) {
    SCOPED_TRACE(type);
    Put("Short", type, bytes, 2);
    Put("Long", type, bytes, 6);

    Read shorter = Query("Short", 4);
    EXPECT_EQ(shorter.result, RegResult::Ok);
    EXPECT_EQ(shorter.type, type);
    EXPECT_EQ(shorter.size, 2u);
    EXPECT_EQ(shorter.buffer, (std::vector<uint8_t>{1, 2, kUntouched, kUntouched, kUntouched}));

    Read longer = Query("Long", 4);
    EXPECT_EQ(longer.result, RegResult::MoreData);
    EXPECT_EQ(longer.type, type);
    EXPECT_EQ(longer.size, 6u);
    EXPECT_EQ(longer.buffer, std::vector<uint8_t>(5, kUntouched));
  }
}

TEST_F(RegistryTest, SizeOnlyQueryAndBadArguments) {
  const uint8_t bytes[6] = {};
  Put("Six", kRegBinary, bytes, 6);
  uint32_t type = 0;
  uint32_t size = 0;
  EXPECT_EQ(RegQueryValue(key_, "Six", &type, nullptr, &size), RegResult::Ok);
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(RegQueryValue(key_, "Six", nullptr, nullptr, nullptr), RegResult::Ok);

  uint8_t buffer[8];
  EXPECT_EQ(RegQueryValue(key_, "Six", &type, buffer, nullptr), RegResult::Failed);
  EXPECT_FALSE(RegSetValue(key_, "NoData", kRegBinary, nullptr, 4));
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValue(nullptr, "Six", &type, buffer, &size), RegResult::Failed);
  EXPECT_FALSE(RegSetValue(nullptr, "Six", kRegBinary, bytes, 6));
}

TEST_F(RegistryTest, MissingValueIsNotFound) {
  uint8_t buffer[4];
  uint32_t size = sizeof buffer;
  EXPECT_EQ(RegQueryValue(key_, "NeverWritten", nullptr, buffer, &size), RegResult::NotFound);
}

TEST_F(RegistryTest, RewritingAValueReplacesItsType) {
  const uint32_t number = 7;
  Put("Changing", kRegDword, &number, 4);
  Put("Changing", kRegText, "seven", 6);
  Read read = Query("Changing", 16);
  EXPECT_EQ(read.result, RegResult::Ok);
  EXPECT_EQ(read.type, kRegText);
  EXPECT_EQ(read.size, 6u);
}

TEST_F(RegistryTest, DefaultValueHasTheEmptyName) {
  const uint32_t number = 42;
  Put(nullptr, kRegDword, &number, 4);
  Read read = Query("", 4);
  EXPECT_EQ(read.result, RegResult::Ok);
  EXPECT_EQ(std::memcmp(read.buffer.data(), &number, 4), 0);
}

// Windows-1251 names: Cyrillic letters, Ё and ё included, match in either case.
TEST_F(RegistryTest, NamesIgnoreCase) {
  const uint32_t number = 5;
  Put("Ящик Ёлки", kRegDword, &number, 4);
  EXPECT_EQ(Query("ЯЩИК ёЛКИ", 4).result, RegResult::Ok);

  const std::string sub = path_ + "\\Папка Ёж\\\\Inner\\";
  RegKey created = RegCreateKeyObject(RegRoot::CurrentUser, sub.c_str());
  ASSERT_NE(created, nullptr);
  RegCloseKeyObject(created);
  const std::string other = path_ + "\\пАПКА ёЖ\\INNER";
  RegKey opened = RegOpenKeyObject(RegRoot::CurrentUser, other.c_str());
  EXPECT_NE(opened, nullptr) << "empty names between backslashes are skipped";
  RegCloseKeyObject(opened);
}

TEST_F(RegistryTest, CreatingMakesMissingParents) {
  const std::string deep = path_ + "\\One\\Two\\Three";
  EXPECT_EQ(RegOpenKeyObject(RegRoot::CurrentUser, (path_ + "\\One").c_str()), nullptr);
  RegKey created = RegCreateKeyObject(RegRoot::CurrentUser, deep.c_str());
  ASSERT_NE(created, nullptr);
  RegCloseKeyObject(created);
  RegKey parent = RegOpenKeyObject(RegRoot::CurrentUser, (path_ + "\\One\\Two").c_str());
  EXPECT_NE(parent, nullptr);
  RegCloseKeyObject(parent);
}

TEST_F(RegistryTest, InvalidPathsCannotBeCreatedOrOpened) {
  const std::string cases[] = {
      "\\" + path_ + "\\LeadingBackslash",
      path_ + "\\" + std::string(256, 'n'),
  };
  for (const std::string& path : cases) {
    SCOPED_TRACE(path.substr(0, 60));
    RegKey created = RegCreateKeyObject(RegRoot::CurrentUser, path.c_str());
    EXPECT_EQ(created, nullptr);
    RegCloseKeyObject(created);
    EXPECT_EQ(RegOpenKeyObject(RegRoot::CurrentUser, path.c_str()), nullptr);
  }
}

TEST_F(RegistryTest, KeysOutliveTheirHandles) {
  const uint32_t number = 99;
  Put("Kept", kRegDword, &number, 4);
  RegKey again = RegOpenKeyObject(RegRoot::CurrentUser, path_.c_str());
  ASSERT_NE(again, nullptr);
  uint32_t read = 0;
  uint32_t size = sizeof read;
  EXPECT_EQ(RegQueryValue(again, "Kept", nullptr, &read, &size), RegResult::Ok);
  EXPECT_EQ(read, number);
  RegCloseKeyObject(again);
}

}  // namespace
