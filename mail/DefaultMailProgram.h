// The system's default mail program, as the settings dialog offers it: the
// program of the "open" command registered for mailto: links.
#pragma once

#include <string>

// What looking for the program found.
enum class MailProgramFound {
  Program,
  Nothing,  // nothing usable is registered
  Foreign,  // a path with characters that Windows-1251 lacks, which cannot
            // be stored: refused as a chosen file with such a path is
};

// The quoted, lower-cased program path of a registered command line, without
// its arguments; a path that names the Program Files folder by its
// "%programfiles%" token (any letter case) gets the folder itself. A '?' in
// the path is a character that Windows-1251 lacks, as the platform reads
// one (no file name holds a '?'). `program` is set only for a Program.
MailProgramFound MailProgramFromCommand(const char* command, const char* programFiles, std::string& program);

// Reads the registration and makes the path as above; one too long for the
// platform's reading (200 bytes with its NUL) counts as none.
MailProgramFound DetectDefaultMailProgram(std::string& program);
