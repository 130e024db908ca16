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
};

// The UTC calendar fields of seconds since 1970, for any 64-bit value in the
// years 1 ... 9999 (whatever the C library's time_t is).
CalendarFields UtcFields(int64_t secondsSince1970);

// Seconds since 1970 of calendar fields that may lie outside their ranges
// (an hour of -2 is 22 o'clock the day before), computed without overflow
// for any field values: absurd ones saturate, far outside any kept date.
int64_t UtcSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second);

// The time value of a moment in true UTC seconds; -1 for moments before
// 1970 and for results outside the signed 32-bit range.
int32_t TimeValueOf(int64_t utcSeconds);

// Now, on the same scale.
int32_t CurrentTimeValue();

// The local calendar's day (1-31), month (0-11) and year (since 1900) of a
// moment.
struct LocalDate {
  int Month;
  int YearSince1900;
  int Day;
};
LocalDate LocalDateOf(int64_t secondsSince1970);
