// The program's texts are Windows-1251; Windows is given and gives back
// UTF-16, converted here explicitly. The ANSI code page is 1251 only on a
// Windows whose language for non-Unicode programs is Russian, so no text may
// pass through it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace platform::win32 {

constexpr UINT kProgramCodePage = 1251;

// Null gives the empty text.
std::wstring Wide(const char* text);
std::wstring Wide(const char* text, size_t length);

// False when some character has no Windows-1251 form; it then stands as '?'
// in `text`, which must not be stored as if it were what the user typed.
bool Narrow(const wchar_t* wide, size_t length, std::string& text);
bool Narrow(const std::wstring& wide, std::string& text);

}  // namespace platform::win32
