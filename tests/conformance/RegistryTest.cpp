// The registry, where a value does not fit its reader, and its texts in Windows-1251.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Owned.h"
#include "platform/Platform.h"
#include "tests/conformance/Unique.h"

using namespace platform;

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  // The interface cannot delete values or keys; a unique key keeps runs apart.
  void SetUp() override {
    path_ = "Software\\Tandreller\\ConformanceTest\\" + conformance::UniqueName("registry");
    owned_.Reset(RegCreateKeyObject(RegRoot::CurrentUser, path_.c_str()));
    key_ = owned_.Get();
    ASSERT_NE(key_, nullptr);
  }

  std::string path_;
  OwnedKey owned_;
  RegKey key_ = nullptr;
};

// What a reader with a buffer of `capacity` bytes gets back. Texts written
// without their NUL get one, so the reader needs one byte more than was
// written; no type checks the length, so a "DWORD" may hold 2 or 6 bytes; a
// value that does not fit leaves the buffer as it was.
TEST_F(RegistryTest, ValuesReadBackAsWindowsHandsThemOut) {
  constexpr uint8_t kUntouched = 0xAB;
  const std::string text(2047, 'A');
  const std::string six("\x01\x02\x03\x04\x05\x06", 6);
  const struct {
    uint32_t type, capacity, size;
    RegResult result;
    std::string written, read;
  } cases[] = {
      {kRegText, 2048, 2048, RegResult::Ok, text, text + '\0'},
      {kRegText, 2048, 2049, RegResult::MoreData, text + "A", ""},
      {kRegText, 8, 4, RegResult::Ok, std::string("abc\0", 4), std::string("abc\0", 4)},
      {kRegText, 4, 0, RegResult::Ok, "", ""},
      {kRegText, 4, 6, RegResult::MoreData, std::string("12345\0", 6), ""},
      {kRegDword, 16, 4, RegResult::Ok, "\x44\x33\x22\x11", "\x44\x33\x22\x11"},  // a number gets no NUL
      {kRegDword, 4, 2, RegResult::Ok, six.substr(0, 2), six.substr(0, 2)},
      {kRegDword, 4, 6, RegResult::MoreData, six, ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "Value" + std::to_string(++n);
    SCOPED_TRACE(name);
    ASSERT_TRUE(RegSetValue(key_, name.c_str(), c.type, c.written.data(), uint32_t(c.written.size())));
    std::vector<uint8_t> buffer(c.capacity + 1, kUntouched);
    uint32_t type = 0xFFFF;
    uint32_t size = c.capacity;
    EXPECT_EQ(RegQueryValue(key_, name.c_str(), &type, buffer.data(), &size), c.result);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()),
              c.read + std::string(buffer.size() - c.read.size(), kUntouched));
  }
  uint32_t size = 4;
  EXPECT_EQ(RegQueryValue(key_, "NeverWritten", nullptr, &n, &size), RegResult::NotFound);
  char unnamed[8] = {};
  size = sizeof unnamed;
  ASSERT_TRUE(RegSetValue(key_, nullptr, kRegText, "dflt", 4));
  EXPECT_EQ(RegQueryValue(key_, "", nullptr, unnamed, &size), RegResult::Ok) << "the key's default value";
  EXPECT_STREQ(unnamed, "dflt");
}

// A scrambled password may hold any byte but NUL: each must come back as
// stored, whatever the system's ANSI code page.
TEST_F(RegistryTest, EveryByteOfATextComesBack) {
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  ASSERT_TRUE(RegSetValue(key_, "Every", kRegText, every.c_str(), uint32_t(every.size() + 1)));
  char read[300] = {};
  uint32_t size = sizeof read;
  ASSERT_EQ(RegQueryValue(key_, "Every", nullptr, read, &size), RegResult::Ok);
  EXPECT_EQ(size, every.size() + 1);
  EXPECT_EQ(std::string(read), every);
}

// Windows-1251 names: Cyrillic letters, Ё and ё included, match in either
// case; creating a key makes its missing parents.
TEST_F(RegistryTest, NamesIgnoreCaseAndCreatingMakesParents) {
  ASSERT_TRUE(RegSetValue(key_, "Ящик Ёлки", kRegDword, "\x05\0\0\0", 4));
  uint32_t read = 0;
  uint32_t size = 4;
  EXPECT_EQ(RegQueryValue(key_, "ЯЩИК ёЛКИ", nullptr, &read, &size), RegResult::Ok);
  EXPECT_EQ(RegOpenKeyObject(RegRoot::CurrentUser, (path_ + "\\Папка Ёж").c_str()), nullptr);
  OwnedKey(RegCreateKeyObject(RegRoot::CurrentUser, (path_ + "\\Папка Ёж\\\\Inner\\").c_str()));
  const OwnedKey opened(RegOpenKeyObject(RegRoot::CurrentUser, (path_ + "\\пАПКА ёЖ\\INNER").c_str()));
  EXPECT_TRUE(opened) << "empty names between backslashes are skipped";
}

}  // namespace
