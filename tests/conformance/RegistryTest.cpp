// The registry as the settings store: values read back as written, and only
// as the type they were stored as; texts in Windows-1251.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Owned.h"
#include "platform/Platform.h"
#include "tests/support/UniqueName.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/HostControl.h"
#endif

using namespace platform;

namespace {

// What a read found, by ReadResult; a read text or number follows.
const char* const kFound[] = {"", "<missing>", "<wrong type>", "<too long>", "<foreign> "};

std::string ReadText(const OwnedKey& key, const char* name, size_t capacity) {
  std::string buffer(capacity, '\xAB');
  const ReadResult result = ReadRegText(key.Get(), name, &buffer[0], capacity);
  const bool read = result == ReadResult::Read || result == ReadResult::Foreign;
  return kFound[static_cast<int>(result)] + (read ? buffer.substr(0, buffer.find('\0')) : "");
}

std::string ReadNumber(const OwnedKey& key, const char* name) {
  uint32_t number = 0;
  const ReadResult result = ReadRegNumber(key.Get(), name, &number);
  return kFound[static_cast<int>(result)] + (result == ReadResult::Read ? std::to_string(number) : "");
}

std::string UniqueKey() {
  // The interface cannot delete values or keys; a unique key keeps runs apart.
  return "Software\\Tandreller\\ConformanceTest\\" + conformance::UniqueName("registry");
}

// Types that other programs and .reg files store and the program never writes.
enum class Stored { Text, ExpandableText, MultiText, Number, BigEndianNumber, Binary };

// Stores a value as another program would: a text as its UTF-16 units, anything else as its bytes.
bool Plant(const std::string& path, const char* name, Stored type, const std::u16string& text,
           const std::string& bytes) {
  const bool isText = type == Stored::Text || type == Stored::ExpandableText || type == Stored::MultiText;
#ifdef _WIN32
  const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_BINARY};
  const std::wstring wide(text.begin(), text.end()), keyPath(path.begin(), path.end());
  const std::wstring valueName(name, name + std::strlen(name));
  const void* data = isText ? static_cast<const void*>(wide.data()) : bytes.data();
  const DWORD size = static_cast<DWORD>(isText ? wide.size() * sizeof(wchar_t) : bytes.size());
  return RegSetKeyValueW(HKEY_CURRENT_USER, keyPath.c_str(), valueName.c_str(), types[static_cast<int>(type)],
                         data, size) == ERROR_SUCCESS;
#else
  // The stand-in has no code pages: the cases plant ASCII, and characters that Windows-1251 lacks.
  using T = host::RegType;
  const T types[] = {T::Text, T::ExpandableText, T::Bytes, T::Number, T::Bytes, T::Bytes};  // by Stored
  host::RegValue value{types[static_cast<int>(type)], isText ? "" : bytes};
  for (const char16_t unit : text) {
    value.bytes += unit < 0x80 ? static_cast<char>(unit) : '?';
    value.foreign = value.foreign || unit >= 0x80;
  }
  host::PutValue(path, name, value);
  return true;
#endif
}

// Texts are kept without their NUL and read back with one, so a reader needs
// a byte more than was written. A scrambled password may hold any byte but
// NUL: each must come back as stored, whatever the system's ANSI code page.
// The shell's keys and values come spelled in either case.
TEST(Registry, ValuesReadBackAsWrittenByNamesInEitherCase) {
  const std::string path = UniqueKey();
  const OwnedKey key(CreateRegKey(path.c_str()));
  ASSERT_TRUE(key);
  const std::string longest(2047, 'A');
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  const struct {
    const char* name;
    const char* text;
    size_t capacity;
    std::string read;
  } cases[] = {
      {"Longest", longest.c_str(), 2048, longest},
      {"TooLong", longest.c_str(), 2047, "<too long>"},
      {"Every", every.c_str(), 300, every},
      {"Empty", "", 1, ""},
      {"", "dflt", 16, "dflt"},  // the key's default value
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteRegText(key.Get(), c.name, c.text));
    EXPECT_EQ(ReadText(key, c.name, c.capacity), c.read);
  }
  ASSERT_TRUE(WriteRegNumber(key.Get(), "Number", 0x11223344));
  EXPECT_EQ(ReadText(key, "NeverWritten", 16), "<missing>");
  EXPECT_EQ(ReadNumber(key, "nUMBER"), "287454020");
  EXPECT_EQ(OpenRegKey((path + "\\Shell").c_str()), nullptr);
  OwnedKey(CreateRegKey((path + "\\Shell\\Open").c_str()));
  EXPECT_TRUE(OwnedKey(OpenRegKey((path + "\\sHELL\\oPEN").c_str()))) << "made under a missing parent";
}

// What other programs store: a value is read only as its own type, a number
// only as four bytes, and a text with characters that Windows-1251 lacks is
// told apart, not bent to the nearest letter ("Müller" is not "Muller").
TEST(Registry, OtherTypesAndForeignTextsAreToldApart) {
  const std::string path = UniqueKey();
  ASSERT_TRUE(OwnedKey(CreateRegKey(path.c_str())));
  const struct {
    const char* name;
    Stored type;
    std::u16string text;
    std::string bytes;
    std::string read;  // as a text, into 64 bytes
    const char* number;
  } cases[] = {
      {"RegFile", Stored::Text, std::u16string(63, u'9') + u'\0', "", std::string(63, '9'), "<wrong type>"},
      {"InnerNul", Stored::Text, std::u16string(u"ab\0cd", 5), "", "ab", "<wrong type>"},
      {"Expandable", Stored::ExpandableText, u"%ProgramFiles%\\a.exe", "", "<wrong type>", "<wrong type>"},
      {"Several", Stored::MultiText, std::u16string(u"995\0\0", 5), "", "<wrong type>", "<wrong type>"},
      {"Number", Stored::Number, u"", std::string("\xE3\x03\0\0", 4), "<wrong type>", "995"},
      {"ShortNumber", Stored::Number, u"", "\xE3\x03", "<wrong type>", "<wrong type>"},
      {"BigEndian", Stored::BigEndianNumber, u"", std::string("\0\0\x03\xE3", 4), "<wrong type>",
       "<wrong type>"},
      {"Binary", Stored::Binary, u"", std::string("\xE3\x03\0\0", 4), "<wrong type>", "<wrong type>"},
      {"Mueller", Stored::Text, u"Müller", "", "<foreign> M?ller", "<wrong type>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Plant(path, c.name, c.type, c.text, c.bytes));
    const OwnedKey key(OpenRegKey(path.c_str()));
    EXPECT_EQ(ReadText(key, c.name, 64), c.read);
    EXPECT_EQ(ReadNumber(key, c.name), c.number);
  }
}

}  // namespace
