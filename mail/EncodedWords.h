// Field texts as mail writes them: MIME encoded-words (RFC 2047) and raw
// 8-bit bytes, read into UTF-8.
#pragma once

#include <string>

#include "common/Charsets.h"

// The charset a field's raw 8-bit bytes are read in: UTF-8 where the whole
// field is valid UTF-8, else the letter's own single-byte charset, else
// Windows-1251, which the Russian mail that names no charset was written in.
Charset RawCharsetOf(const std::string& field, Charset letter);

// The text in UTF-8: each encoded-word "=?charset?B|Q?text?=" decoded,
// wherever it stands, and only the blanks between two of them dropped;
// the rest read in rawCharset. An encoded-word in a charset the program does
// not convert, or broken (no closing "?=", a blank inside, bad base64, a
// bad "=XX"), stays as written.
std::string DecodeWords(const std::string& text, Charset rawCharset);
