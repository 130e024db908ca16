// Reading a message's delivery date from its header block.
#pragma once

#include <cstdint>

// Reads the time stamp after the first ";" from the topmost Received field of
// a TOP reply on (from the reply's start where it has none), the field the
// server that put the message into the box wrote: day, month name (Jan ...
// Dec, exactly), year, hh:mm:ss and a numeric zone, as in
// "; Mon, 1 Dec 2003 12:34:56 +0300". True when the stamp has that shape;
// *value is then its time value, or -1 when the moment cannot be one
// (before 1970, after early 2038, a two-digit year, numbers out of range).
bool ParseReceivedDate(const char* reply, int32_t* value);
