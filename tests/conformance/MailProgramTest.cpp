// The mail program that Windows has registered for mailto: links: its
// command line as it stands, and the Program Files folder it may name.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/HostControl.h"
#endif

using namespace platform;

namespace {

// Registers the line as a mail program's installer would. On Windows that is
// among the machine's classes, which a Wine prefix lets anyone write: the
// tests' prefix is their own.
void Register(bool expandable, const std::u16string& line) {
#ifdef _WIN32
  RegSetKeyValueW(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", L"",
                  expandable ? REG_EXPAND_SZ : REG_SZ, line.c_str(),
                  static_cast<DWORD>((line.size() + 1) * sizeof(char16_t)));
#else
  // The stand-in has no code pages: the cases register ASCII, and characters that Windows-1251 lacks.
  host::RegValue value{expandable ? host::RegType::ExpandableText : host::RegType::Text, ""};
  for (const char16_t unit : line) {
    value.bytes += unit < 0x80 ? static_cast<char>(unit) : '?';
    value.foreign = value.foreign || unit >= 0x80;
  }
  host::PutValue("Software\\Classes\\mailto\\shell\\open\\command", "", value);
#endif
}

// A variable is left for the program, which knows the folder it names; the
// rest of a registered path, beginning with a backslash, goes right after it.
TEST(MailProgram, TheRegisteredLineAsItStandsAndTheFolderItMayName) {
  const struct {
    bool expandable;
    std::u16string line;
    ReadResult read;
    std::string found;
  } cases[] = {
      {true, u"\"%ProgramFiles%\\Mail\\mail.exe\" %1", ReadResult::Read,
       "\"%ProgramFiles%\\Mail\\mail.exe\" %1"},
      {false, u"\"C:\\Users\\Łukasz\\mail.exe\"", ReadResult::Foreign, "\"C:\\Users\\?ukasz\\mail.exe\""},
      {false, std::u16string(200, u'a'), ReadResult::TooLong, ""},  // 199 fit, with the NUL
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.found);
    Register(c.expandable, c.line);
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
