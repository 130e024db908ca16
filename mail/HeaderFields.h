// Reading fields from a header block as TOP brings it: a status line, the
// fields, maybe the first line of the body, maybe cut anywhere.
#pragma once

#include <cstddef>
#include <string>

#include "common/Charsets.h"

// What is read of a header block. Real ones are a few kilobytes; a block
// this long has already been cut by the poll's reply buffer.
constexpr size_t kHeaderBlockLimit = 64 * 1024;
// What is kept of a field's value: several times what a balloon shows,
// whatever its encoding costs.
constexpr size_t kFieldValueLimit = 8 * 1024;

// The value of the first field named `name` (in any case) in the block,
// unfolded: a line break before a blank goes, the blank stays. The block ends
// at its first empty line or at kHeaderBlockLimit bytes; the status line is
// no field. Empty when the block has no such field; at most kFieldValueLimit
// bytes.
std::string FieldValue(const char* block, size_t size, const char* name);

// The charset the block's Content-Type field names; Unknown when it names
// none or one the program does not convert.
Charset LetterCharset(const char* block, size_t size);
