// What every dialog procedure does with its controls: texts, ticks, enabling
// and the icons on buttons.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

// Fields are read through a buffer of this many characters; a longer text
// is cut to fit.
constexpr int kFieldBuffer = 2024;

// Texts pass between the controls (UTF-16) and the program (Windows-1251)
// here. A character without a Windows-1251 form reads as '?': such
// characters are taken out where they are typed (RefuseForeignText).
void ReadField(HWND dialog, int id, std::string& text, int capacity = kFieldBuffer);
void ShowField(HWND dialog, int id, const char* text);
// A window's own text (an edit control's), at most capacity - 1 characters.
std::string WindowText(HWND window, int capacity);
void SetWindowTextTo(HWND window, const char* text);
// The program keeps every text in Windows-1251, and a '?' in place of a
// letter of a path or a name would be stored as if the user had typed it.
// So characters without a Windows-1251 form are taken out where they are
// typed, and the user is told why.
// The window's text without them; false when there were some.
bool RepresentableText(HWND window, std::string& text);
void TellForeignTextTakenOut(HWND owner);
// A path from a file chooser or from Windows with such characters is refused
// whole: without them it would name another file, or none.
void TellForeignPath(HWND owner);
// After an edit control changed: the characters go at once, and the edit's
// page is posted kMsgForeignTextTakenOut, on which it tells the user. Told
// from inside the change, the message box would hold whoever set the text.
void RefuseForeignText(HWND edit);
constexpr UINT kMsgForeignTextTakenOut = WM_APP + 7;
void ShowNumber(HWND dialog, int id, uint32_t number);
bool Ticked(HWND dialog, int id);
void Tick(HWND dialog, int id, bool on);
// A control that loses its enabling while it has the keyboard focus hands
// the focus on, or the keyboard would be left nowhere.
void Enable(HWND dialog, int id, bool on);
void PutIcon(HWND dialog, int id, HICON icon);

}  // namespace ui
