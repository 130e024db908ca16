#include "mail/TimeScale.h"

#include <cstdint>
#include <ctime>
#include <limits>

#include "platform/Platform.h"

namespace {

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's method).
void CivilFromDays(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  *month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

int64_t FloorDiv(int64_t value, int64_t divisor) {
  return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

}  // namespace

CalendarFields UtcFields(int64_t secondsSince1970) {
  const int64_t days = FloorDiv(secondsSince1970, 86400);
  const int64_t secondOfDay = secondsSince1970 - days * 86400;
  CalendarFields fields{};
  CivilFromDays(days, &fields.Year, &fields.Month, &fields.Day);
  fields.Hour = static_cast<int>(secondOfDay / 3600);
  fields.Minute = static_cast<int>(secondOfDay / 60 % 60);
  fields.Second = static_cast<int>(secondOfDay % 60);
  fields.WeekDay = static_cast<int>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  return fields;
}

int32_t TimeValueOf(const CalendarFields& utc) {
  if (utc.Year < 1970 || utc.Year > 2100) return -1;
  std::tm fields{};
  fields.tm_year = utc.Year - 1900;
  fields.tm_mon = utc.Month - 1;
  fields.tm_mday = utc.Day;
  fields.tm_hour = utc.Hour;
  fields.tm_min = utc.Minute;
  fields.tm_sec = utc.Second;
  fields.tm_isdst = 0;
  const std::time_t value = std::mktime(&fields);
  if (value < 0 || static_cast<int64_t>(value) > std::numeric_limits<int32_t>::max()) return -1;
  return static_cast<int32_t>(value);
}

int32_t CurrentTimeValue() { return TimeValueOf(UtcFields(platform::CurrentTime())); }
