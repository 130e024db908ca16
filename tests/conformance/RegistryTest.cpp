// The registry as the settings store: values read back as their bytes, texts
// in Windows-1251.
#include <gtest/gtest.h>

#include <string>

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
    key_.Reset(CreateRegKey(path_.c_str()));
    ASSERT_TRUE(key_);
  }

  // The value's bytes as read into `capacity` bytes, or "<missing>".
  std::string Read(const char* name, size_t capacity) const {
    std::string buffer(capacity, '\xAB');
    const int read = ReadRegValue(key_.Get(), name, &buffer[0], capacity);
    return read < 0 ? "<missing>" : buffer.substr(0, size_t(read));
  }

  std::string path_;
  OwnedKey key_;
};

// Windows keeps the program's texts without their NUL: they read back with
// one, so a three-letter text has the four bytes of a number, and a reader
// needs one byte more than was written. A scrambled password may hold any
// byte but NUL: each must come back as stored, whatever the system's ANSI
// code page.
TEST_F(RegistryTest, ValuesReadBackAsTheirBytes) {
  const std::string longest(2047, 'A');
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  const struct {
    const char* text;  // null: the number 0x11223344
    size_t capacity;
    std::string read;
  } cases[] = {
      {longest.c_str(), 2048, longest + '\0'},
      {longest.c_str(), 2047, "<missing>"},
      {every.c_str(), 300, every + '\0'},
      {"abc", 4, std::string("abc\0", 4)},
      {"", 4, std::string(1, '\0')},
      {nullptr, 16, "\x44\x33\x22\x11"},  // a number gets no NUL
      {nullptr, 3, "<missing>"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "Value" + std::to_string(++n);
    SCOPED_TRACE(name);
    ASSERT_TRUE(c.text ? WriteRegText(key_.Get(), name.c_str(), c.text)
                       : WriteRegNumber(key_.Get(), name.c_str(), 0x11223344));
    EXPECT_EQ(Read(name.c_str(), c.capacity), c.read);
  }
  EXPECT_EQ(Read("NeverWritten", 16), "<missing>");
  ASSERT_TRUE(WriteRegText(key_.Get(), "", "dflt"));
  EXPECT_EQ(Read("", 16), std::string("dflt", 5)) << "the key's default value";
}

// The shell's keys come spelled in either case; a key is created under a
// missing parent.
TEST_F(RegistryTest, NamesIgnoreCaseAndKeysAreCreatedUnderMissingParents) {
  ASSERT_TRUE(WriteRegNumber(key_.Get(), "LastBoxPos", 5));
  EXPECT_EQ(Read("lASTbOXpOS", 4), std::string("\x05\0\0\0", 4));
  EXPECT_EQ(OpenRegKey(RegRoot::CurrentUser, (path_ + "\\Shell").c_str()), nullptr);
  OwnedKey(CreateRegKey((path_ + "\\Shell\\Open").c_str()));
  EXPECT_TRUE(OwnedKey(OpenRegKey(RegRoot::CurrentUser, (path_ + "\\sHELL\\oPEN").c_str())));
}

}  // namespace
