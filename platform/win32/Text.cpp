#include "platform/win32/Text.h"

#include <climits>
#include <cstring>

namespace platform::win32 {

std::wstring Wide(const char* text) { return text == nullptr ? std::wstring() : Wide(text, std::strlen(text)); }

std::wstring Wide(const char* text, size_t length) {
  if (text == nullptr || length == 0 || length > INT_MAX) return std::wstring();
  // A single-byte code page gives one UTF-16 unit per byte.
  std::wstring wide(length, L'\0');
  const int made = MultiByteToWideChar(kProgramCodePage, 0, text, static_cast<int>(length), wide.data(),
                                       static_cast<int>(length));
  wide.resize(made > 0 ? static_cast<size_t>(made) : 0);
  return wide;
}

bool Narrow(const wchar_t* wide, size_t length, std::string& text) {
  text.clear();
  if (wide == nullptr || length == 0) return true;
  if (length > INT_MAX / 2) return false;
  // A surrogate pair is two units and one '?', so the length in units suffices.
  text.resize(length);
  BOOL lost = FALSE;
  const int made = WideCharToMultiByte(kProgramCodePage, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(length),
                                       text.data(), static_cast<int>(length), nullptr, &lost);
  text.resize(made > 0 ? static_cast<size_t>(made) : 0);
  return made > 0 && !lost;
}

bool Narrow(const std::wstring& wide, std::string& text) { return Narrow(wide.data(), wide.size(), text); }

}  // namespace platform::win32
