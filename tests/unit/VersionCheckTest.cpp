// The site's version number and when the start-up check is due. What the
// check does to start-up (the new-version envelope, no polls, the stored
// time) is checked end to end against a stand-in site.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/VersionCheck.h"
#include "mail/TimeScale.h"

namespace {

void SetZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

TEST(VersionCheck, TheSiteNumberIsReadFromTheFirstTenBytesOnly) {
  const struct {
    const char* body;
    size_t length;  // 0: the whole text
    const char* shown;
    bool newer;
  } cases[] = {
      {"2.13", 0, "2.13", false},
      {"2.14\r\n", 0, "2.14", true},
      {"2.2", 0, "2.20", true},
      {"   2.14", 0, "2.14", true},         // blanks first are skipped
      {"2.149", 3, "2.10", false},          // never past the bytes read
      {"0000000002.5", 0, "2.00", false},   // ".5" is the eleventh byte on
      {"          2.5", 0, "0.00", false},  // the number starts after the tenth byte
      {"", 0, "0.00", false},
      {"<html><head>", 0, "0.00", false},
      {"nan", 0, "0.00", false},  // nor is any of these a version
      {"1e99", 0, "0.00", false},
      {"-3.0", 0, "0.00", false},
  };
  for (const auto& c : cases) {
    const float version =
        SiteVersionOf(c.body, c.length != 0 ? c.length : std::char_traits<char>::length(c.body));
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.2f", version);
    EXPECT_EQ(std::string(c.shown), shown) << c.body;
    EXPECT_EQ(c.newer, IsNewerVersion(version)) << c.body;
  }
}

// The due moment is the last check's UTC fields plus the days, read as local
// time: a few hours early east of Greenwich, late west of it.
TEST(VersionCheck, DueOnceThePeriodHasPassedOnTheProgramsTimeScale) {
  const struct {
    const char* zone;
    int month, day, period;
    int64_t dueUtc;  // not yet due at this moment, due a second later
  } cases[] = {
      {"Europe/Moscow", 1, 28, 10, UtcSeconds(2026, 2, 7, 9, 0, 0)},
      {"America/New_York", 1, 28, 10, UtcSeconds(2026, 2, 7, 17, 0, 0)},
      {"Europe/Moscow", 1, 31, 1, UtcSeconds(2026, 2, 1, 9, 0, 0)},
      {"America/New_York", 1, 31, 1, UtcSeconds(2026, 2, 1, 17, 0, 0)},
      {"UTC", 1, 31, 0, UtcSeconds(2026, 1, 31, 12, 0, 0)},
  };
  for (const auto& c : cases) {
    SetZone(c.zone);
    const int32_t last = static_cast<int32_t>(UtcSeconds(2026, c.month, c.day, 12, 0, 0));
    EXPECT_FALSE(VersionCheckDue(last, c.period, c.dueUtc)) << c.zone << " " << c.day << "+" << c.period;
    EXPECT_TRUE(VersionCheckDue(last, c.period, c.dueUtc + 1)) << c.zone << " " << c.day << "+" << c.period;
  }
  SetZone("UTC");
}

// Off the 32-bit scale the dates still compare, without overflow.
TEST(VersionCheck, AbsurdPeriodsAndDatesSaturate) {
  SetZone("America/New_York");
  const int64_t now = UtcSeconds(2026, 1, 15, 12, 0, 0);
  const int64_t after2038 = int64_t{1} << 33;
  const struct {
    int32_t last, period;
    int64_t now;
    bool due;
  } cases[] = {
      {static_cast<int32_t>(now), INT32_MAX, now, false},  // never comes
      {static_cast<int32_t>(now), INT32_MIN, now, true},   // long past
      {INT32_MAX, 10, now, false},                         // the due moment lies past 2038
      {INT32_MAX, 10, after2038, true},
      {INT32_MIN, 10, now, true},  // a last check in 1901
      {0, INT32_MIN, INT64_MIN, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.due, VersionCheckDue(c.last, c.period, c.now))
        << c.last << "+" << c.period << " at " << c.now;
  }
  SetZone("UTC");
}

}  // namespace
