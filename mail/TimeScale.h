// The program's time values: 32-bit signed seconds, made by handing UTC
// calendar fields to the C library's local-time conversion with daylight
// saving off. Message dates, LastMsgDate and "now" are all made this way, so
// they share one offset from true UTC and compare exactly.
#pragma once

#include <cstdint>

// Broken-down UTC calendar fields: the year in full, month 1-12.
struct CalendarFields {
  int Year;
  int Month;
  int Day;
  int Hour;
  int Minute;
  int Second;
  int WeekDay;  // 0 Sunday ... 6 Saturday
};

// The UTC calendar fields of seconds since 1970, for any 64-bit value in the
// years 1 ... 9999 (whatever the C library's time_t is).
CalendarFields UtcFields(int64_t secondsSince1970);

// The time value of UTC calendar fields (they may lie outside their ranges and
// are normalised); -1 for years before 1970 and results outside the signed
// 32-bit range.
int32_t TimeValueOf(const CalendarFields& utc);

// Now, on the same scale.
int32_t CurrentTimeValue();
