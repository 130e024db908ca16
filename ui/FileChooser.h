// The open-file dialog of the settings' choosers.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

// One entry of the dialog's type list: its name and its pattern.
struct FileKind {
  const char* Name;
  const char* Pattern;
};

extern const FileKind kProgramFiles;
extern const FileKind kWaveFiles;

// Lets the user choose an existing file, starting from `text` (a field's
// text; its double quotes are dropped). True, with the path in `chosen`,
// when a file was chosen; false when the user cancelled, the path is longer
// than the dialog takes, or it has characters Windows-1251 lacks (the user
// is told so).
bool ChooseFile(HWND owner, const char* text, const FileKind& kind, std::string& chosen);

}  // namespace ui
