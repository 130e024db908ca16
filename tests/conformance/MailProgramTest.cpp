// The mail program that Windows has registered for mailto: links: its
// command line as it stands, and the Program Files folder it may name.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/HostControl.h"
#endif

using namespace platform;

namespace {

#ifdef _WIN32
// Registers a command line as a mail program's installer does, among the
// machine's classes (which a Wine prefix lets anyone write), and puts back
// what was registered before once it ends.
class Registration {
 public:
  Registration() {
    RegCreateKeyExW(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
    DWORD size = 0;
    had_ = RegQueryValueExW(key_, L"", nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
    saved_.resize(size);
    if (had_) RegQueryValueExW(key_, L"", nullptr, &type_, saved_.data(), &size);
  }
  ~Registration() {
    if (had_) RegSetValueExW(key_, L"", 0, type_, saved_.data(), static_cast<DWORD>(saved_.size()));
    if (!had_) RegDeleteValueW(key_, L"");
    RegCloseKey(key_);
  }
  void Set(bool expandable, const std::u16string& line) {
    RegSetValueExW(key_, L"", 0, expandable ? REG_EXPAND_SZ : REG_SZ,
                   reinterpret_cast<const BYTE*>(line.c_str()),
                   static_cast<DWORD>((line.size() + 1) * sizeof(char16_t)));
  }

 private:
  HKEY key_ = nullptr;
  bool had_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> saved_;
};
#else
// The stand-in has no code pages: the cases register ASCII, and characters that Windows-1251 lacks.
struct Registration {
  void Set(bool expandable, const std::u16string& line) {
    host::RegValue value{expandable ? host::RegType::ExpandableText : host::RegType::Text, ""};
    for (const char16_t unit : line) {
      value.bytes += unit < 0x80 ? static_cast<char>(unit) : '?';
      value.foreign = value.foreign || unit >= 0x80;
    }
    host::PutValue("Software\\Classes\\mailto\\shell\\open\\command", "", value);
  }
};
#endif

// A variable is left for the program, which knows the folder it names; the
// rest of a registered path, beginning with a backslash, goes right after it.
TEST(MailProgram, TheRegisteredLineAsItStandsAndTheFolderItMayName) {
  const std::u16string longest(199, u'a');
  const struct {
    bool expandable;
    std::u16string line;
    ReadResult read;
    std::string found;
  } cases[] = {
      {false, u"\"C:\\Mail\\mail.exe\" \"%1\"", ReadResult::Read, "\"C:\\Mail\\mail.exe\" \"%1\""},
      {true, u"\"%ProgramFiles%\\Mail\\mail.exe\" %1", ReadResult::Read,
       "\"%ProgramFiles%\\Mail\\mail.exe\" %1"},
      {false, u"\"C:\\Users\\Łukasz\\mail.exe\"", ReadResult::Foreign, "\"C:\\Users\\?ukasz\\mail.exe\""},
      {false, longest, ReadResult::Read, std::string(199, 'a')},
      {false, longest + u"a", ReadResult::TooLong, ""},
  };
  Registration registration;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.found);
    registration.Set(c.expandable, c.line);
    const MailProgramRegistration found = RegisteredMailProgram();
    EXPECT_EQ(found.lineRead, c.read);
    EXPECT_EQ(found.line, c.found);
    ASSERT_EQ(found.folderRead, ReadResult::Read);
    const std::string folder = found.programFiles;
    EXPECT_TRUE(folder.size() > 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                folder.compare(1, 2, ":\\") == 0 && folder.back() != '\\')
        << folder;
  }
}

}  // namespace
