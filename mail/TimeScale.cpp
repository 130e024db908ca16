#include "mail/TimeScale.h"

#include <ctime>
#include <limits>
#include <mutex>

#include "platform/Platform.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// The C library's local-time conversions share its time-zone state; polls
// convert on their own threads, so every conversion here takes turns. The
// lock is never destroyed: check threads are not waited for at exit and may
// still convert a date after static destruction has begun.
std::mutex& ZoneLock() {
  static std::mutex* lock = new std::mutex();
  return *lock;
}
// Far beyond any date we keep, and near enough that no sum below overflows.
constexpr int64_t kFieldLimit = int64_t{1} << 32;
constexpr int64_t kYearLimit = 10000000;

int64_t FloorDiv(int64_t value, int64_t divisor) {
  const int64_t quotient = value / divisor;
  return quotient * divisor > value ? quotient - 1 : quotient;
}

int64_t Clamp(int64_t value, int64_t limit = kFieldLimit) {
  return value < -limit ? -limit : (value > limit ? limit : value);
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = FloorDiv(year, 400);
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const int64_t era = FloorDiv(days, 146097);
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  *month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

}  // namespace

CalendarFields UtcFields(int64_t secondsSince1970) {
  const int64_t days = FloorDiv(secondsSince1970, kSecondsPerDay);
  const int64_t secondOfDay = secondsSince1970 - days * kSecondsPerDay;
  CalendarFields fields{};
  CivilFromDays(days, &fields.Year, &fields.Month, &fields.Day);
  fields.Hour = static_cast<int>(secondOfDay / 3600);
  fields.Minute = static_cast<int>(secondOfDay / 60 % 60);
  fields.Second = static_cast<int>(secondOfDay % 60);
  return fields;
}

int64_t UtcSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second) {
  // Months first fold into years, then everything is added up in seconds.
  month = Clamp(month) - 1;
  year = Clamp(Clamp(year, kYearLimit) + FloorDiv(month, 12), kYearLimit);
  month = month - FloorDiv(month, 12) * 12 + 1;
  const int64_t days = DaysFromCivil(year, month, 1) + Clamp(day) - 1;
  return days * kSecondsPerDay + Clamp(hour) * 3600 + Clamp(minute) * 60 + Clamp(second);
}

int32_t TimeValueOf(int64_t utcSeconds) {
  // Past 2038 no value fits; the margin leaves room for the zone offset.
  constexpr int64_t kLast = int64_t{std::numeric_limits<int32_t>::max()} + 2 * kSecondsPerDay;
  if (utcSeconds < 0 || utcSeconds > kLast) return -1;
  const CalendarFields utc = UtcFields(utcSeconds);
  std::tm fields{};
  fields.tm_year = utc.Year - 1900;
  fields.tm_mon = utc.Month - 1;
  fields.tm_mday = utc.Day;
  fields.tm_hour = utc.Hour;
  fields.tm_min = utc.Minute;
  fields.tm_sec = utc.Second;
  fields.tm_isdst = 0;
  std::time_t value;
  {
    std::lock_guard<std::mutex> hold(ZoneLock());
    value = std::mktime(&fields);
  }
  if (value < 0 || static_cast<int64_t>(value) > std::numeric_limits<int32_t>::max()) return -1;
  return static_cast<int32_t>(value);
}

int32_t CurrentTimeValue() { return TimeValueOf(platform::CurrentTime()); }

LocalDate LocalDateOf(int64_t secondsSince1970) {
  const std::time_t moment = static_cast<std::time_t>(secondsSince1970);
  std::lock_guard<std::mutex> hold(ZoneLock());
  const std::tm* local = std::localtime(&moment);
  if (local == nullptr) return {0, 0, 1};
  return {local->tm_mon, local->tm_year, local->tm_mday};
}
