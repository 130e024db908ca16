// The registry as the settings store: values read back as their bytes, texts
// in Windows-1251.
#include <gtest/gtest.h>

#include <string>

#include "platform/Owned.h"
#include "platform/Platform.h"
#include "tests/conformance/Unique.h"

using namespace platform;

namespace {

// The value's bytes as read into `capacity` bytes, or "<missing>".
std::string Read(const OwnedKey& key, const char* name, size_t capacity) {
  std::string buffer(capacity, '\xAB');
  const int read = ReadRegValue(key.Get(), name, &buffer[0], capacity);
  return read < 0 ? "<missing>" : buffer.substr(0, size_t(read));
}

// Texts are kept without their NUL and read back with one, so a reader needs
// a byte more than was written. A scrambled password may hold any byte but
// NUL: each must come back as stored, whatever the system's ANSI code page.
// The shell's keys and values come spelled in either case.
TEST(Registry, ValuesReadBackAsTheirBytesByNamesInEitherCase) {
  // The interface cannot delete values or keys; a unique key keeps runs apart.
  const std::string path = "Software\\Tandreller\\ConformanceTest\\" + conformance::UniqueName("registry");
  const OwnedKey key(CreateRegKey(path.c_str()));
  ASSERT_TRUE(key);
  const std::string longest(2047, 'A');
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  const struct {
    const char* name;
    const char* text;  // null: the number 0x11223344
    size_t capacity;
    std::string read;
  } cases[] = {
      {"Longest", longest.c_str(), 2048, longest + '\0'},
      {"TooLong", longest.c_str(), 2047, "<missing>"},
      {"Every", every.c_str(), 300, every + '\0'},
      {"Short", "abc", 4, std::string("abc\0", 4)},
      {"Empty", "", 4, std::string(1, '\0')},
      {"", "dflt", 16, std::string("dflt", 5)},     // the key's default value
      {"Number", nullptr, 16, "\x44\x33\x22\x11"},  // a number gets no NUL
      {"Cramped", nullptr, 3, "<missing>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.text ? WriteRegText(key.Get(), c.name, c.text)
                       : WriteRegNumber(key.Get(), c.name, 0x11223344));
    EXPECT_EQ(Read(key, c.name, c.capacity), c.read);
  }
  EXPECT_EQ(Read(key, "NeverWritten", 16), "<missing>");
  EXPECT_EQ(Read(key, "nUMBER", 4), "\x44\x33\x22\x11");
  EXPECT_EQ(OpenRegKey(RegRoot::CurrentUser, (path + "\\Shell").c_str()), nullptr);
  OwnedKey(CreateRegKey((path + "\\Shell\\Open").c_str()));
  EXPECT_TRUE(OwnedKey(OpenRegKey(RegRoot::CurrentUser, (path + "\\sHELL\\oPEN").c_str())))
      << "made under a missing parent";
}

}  // namespace
