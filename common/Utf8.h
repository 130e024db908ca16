// UTF-8 texts: reading and writing characters, and measuring them the way
// Windows does, in UTF-16 units.
#pragma once

#include <cstddef>
#include <string>

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Reads the character at the start of text (size > 0): returns its length in
// bytes, at least 1, and sets *c. Bytes that are no UTF-8 (a stray
// continuation byte, an overlong form, a surrogate, a sequence cut short)
// read as U+FFFD, one for each maximal broken part.
size_t ReadUtf8(const char* text, size_t size, char32_t* c);

// Appends c in UTF-8; a surrogate or a value past U+10FFFF as U+FFFD.
void AppendUtf8(char32_t c, std::string& out);

bool IsUtf8(const char* text, size_t size);

// How many UTF-16 units the text takes: 2 for a character past U+FFFF,
// 1 for any other and for each broken part.
size_t Utf16Length(const std::string& text);

// The longest start of text that takes at most `units` UTF-16 units and
// ends between characters.
std::string CutToUtf16Units(const std::string& text, size_t units);
