// The system's default mail program, as the settings dialog offers it: the
// program of the "open" command registered for mailto: links.
#pragma once

#include "common/String.h"

// The quoted, lower-cased program path of a registered command line, without
// its arguments; a path that names the Program Files folder by its
// "%programfiles%" token (any letter case) gets the folder itself. False,
// and `program` untouched, when the command does not begin with a quoted
// path.
bool MailProgramFromCommand(const char* command, const char* programFiles, String& program);

// Reads the registration (at most 200 bytes of it) and makes the path as
// above; false when nothing usable is registered.
bool DetectDefaultMailProgram(String& program);
