#include "mail/DefaultMailProgram.h"

#include <cstring>
#include <string>

#include "platform/Platform.h"

namespace {

constexpr char kProgramFilesToken[] = "%programfiles%";

// Lower case in Windows-1251: the Latin letters, the Russian ones with Ё,
// and the letters of the other Cyrillic alphabets in the upper half.
char LowerOf(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if ((byte >= 'A' && byte <= 'Z') || byte >= 0xC0) {
    return static_cast<char>(byte >= 0xE0 ? byte : byte + 0x20);
  }
  static const unsigned char kPairs[][2] = {{0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C},
                                            {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2},
                                            {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA},
                                            {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
  for (const auto& pair : kPairs) {
    if (pair[0] == byte) return static_cast<char>(pair[1]);
  }
  return c;
}

}  // namespace

// The path runs from the opening quote to the next one; a registration whose
// closing quote is missing gives the rest of the text. Without a folder
// (null) a path that needs it is refused.
MailProgramFound MailProgramFromCommand(const char* command, const char* programFiles, std::string& program) {
  if (command == nullptr || command[0] != '"') return MailProgramFound::Nothing;
  const char* start = command + 1;
  const char* end = std::strchr(start, '"');
  std::string path(start, end != nullptr ? static_cast<size_t>(end - start) : std::strlen(start));
  if (path.empty()) return MailProgramFound::Nothing;
  for (char& c : path) c = LowerOf(c);
  const size_t token = path.find(kProgramFilesToken);
  if (token != std::string::npos) {
    if (programFiles == nullptr) return MailProgramFound::Nothing;
    path.replace(0, token + std::strlen(kProgramFilesToken), programFiles);
  }
  if (path.find('?') != std::string::npos) return MailProgramFound::Foreign;
  program = "\"" + path + "\"";
  return MailProgramFound::Program;
}

// A text with characters that Windows-1251 lacks is taken as well: their '?'
// makes the path Foreign.
MailProgramFound DetectDefaultMailProgram(std::string& program) {
  const auto got = [](platform::ReadResult read) {
    return read == platform::ReadResult::Read || read == platform::ReadResult::Foreign;
  };
  const platform::MailProgramRegistration found = platform::RegisteredMailProgram();
  if (!got(found.lineRead)) return MailProgramFound::Nothing;
  return MailProgramFromCommand(found.line, got(found.folderRead) ? found.programFiles : nullptr, program);
}
