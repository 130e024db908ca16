#include <gtest/gtest.h>

#include <string>

#include "mail/DefaultMailProgram.h"
#include "platform/host/HostControl.h"

TEST(DefaultMailProgram, TheQuotedPathLowerCasedWithTheFolderInPlaceOfItsToken) {
  const char* cases[][2] = {
      // command, program or null when refused
      {"\"C:\\Mail\\Mail.EXE\" -compose \"%1\"", "\"c:\\mail\\mail.exe\""},
      {"C:\\Mail\\mail.exe %1", nullptr},
      {"\"\" %1", nullptr},
      {"\"%ProgramFiles%\\Mozilla\\TB.exe\" -osint", "\"D:\\Прог Файлы\\mozilla\\tb.exe\""},
      {"\"X:\\%PROGRAMFILES%\\a.exe\"", "\"D:\\Прог Файлы\\a.exe\""},
      {"\"%ProgramFiles(x86)%\\a.exe\"", "\"%programfiles(x86)%\\a.exe\""},
      {"\"C:\\ПОЧТА\\Ёж Її.exe\"", "\"c:\\почта\\ёж її.exe\""},
      {"\"C:\\Mail.exe", "\"c:\\mail.exe\""},  // no closing quote: the rest
  };
  for (const auto& c : cases) {
    String program("kept");
    EXPECT_EQ(c[1] != nullptr, MailProgramFromCommand(c[0], "D:\\Прог Файлы", program)) << c[0];
    EXPECT_STREQ(c[1] != nullptr ? c[1] : "kept", program.Text());
  }
  String program;
  EXPECT_FALSE(MailProgramFromCommand("\"%programfiles%\\a.exe\"", nullptr, program)) << "no folder known";
}

// The key's default value, not another of its values, and only when it fits
// into 200 bytes with its terminator.
TEST(DefaultMailProgram, DetectedFromTheRegistration) {
  for (size_t name : {0, 175, 176}) {
    SCOPED_TRACE(name);
    host::Reset();
    host::SetProgramFilesFolder("E:\\Apps");
    const std::string command = "\"%ProgramFiles%\\" + std::string(name, 'A') + ".exe\" %1";  // 24 + name
    if (name > 0) {
      const char* kKey = "mailto\\shell\\open\\command";
      host::PutValue(platform::RegRoot::ClassesRoot, kKey, "First", {host::RegType::Text, "\"x\""});
      host::PutValue(platform::RegRoot::ClassesRoot, kKey, "", {host::RegType::Text, command});
    }
    String program("kept");
    EXPECT_EQ(name == 175, DetectDefaultMailProgram(program));
    EXPECT_EQ(name == 175 ? "\"E:\\Apps\\" + std::string(name, 'a') + ".exe\"" : "kept", program.Text());
    EXPECT_EQ(0, host::OpenKeyCount());
  }
}
