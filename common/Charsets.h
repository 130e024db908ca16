// The charsets of mail texts that the program converts to Unicode: those
// Russian mail comes in, and the Latin ones it often quotes.
#pragma once

#include <cstddef>
#include <string>

enum class Charset { Unknown, UsAscii, Utf8, Windows1251, Koi8R, Ibm866, Iso8859_5, Iso8859_1, Iso8859_15 };

// The charset a MIME charset name stands for: in any case, by its usual
// aliases ("cp1251", "koi8r", "latin1"), with a language after "*" as
// RFC 2231 allows ("utf-8*ru"). Unknown for any other name.
Charset CharsetNamed(const char* name, size_t length);

// Appends bytes written in charset (not Unknown) in UTF-8. A byte that
// stands for no character (beyond US-ASCII, 0x98 in Windows-1251, a broken
// UTF-8 part) comes out as U+FFFD.
void AppendInUtf8(const char* bytes, size_t size, Charset charset, std::string& out);
