// The site's version number and when the start-up check is due; what the check
// does to start-up is checked end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "app/VersionCheck.h"
#include "mail/TimeScale.h"

TEST(VersionCheck, TheSiteNumberIsReadFromTheFirstTenBytesOnly) {
  const struct {
    const char* body;
    size_t length;  // 0: the whole text
    float version;
  } cases[] = {
      {"2.149", 3, 2.1f},         // never past the bytes read
      {"0000000002.5", 0, 2.0f},  // ".5" is the eleventh byte on
      {"<html><head>", 0, 0.0f}, {"1e99", 0, 0.0f}, {"-3.0", 0, 0.0f},
  };
  for (const auto& c : cases) {
    const size_t length = c.length != 0 ? c.length : std::char_traits<char>::length(c.body);
    EXPECT_FLOAT_EQ(c.version, SiteVersionOf(c.body, length)) << c.body;
  }
  EXPECT_FALSE(IsNewerVersion(kProgramVersion));
  EXPECT_TRUE(IsNewerVersion(kProgramVersion + 0.01f));
}

// The due moment is the last check's UTC fields plus the days, read as local
// time: a few hours early east of Greenwich, late west of it. Off the 32-bit
// scale the dates still compare, without overflow.
TEST(VersionCheck, DueOnceThePeriodHasPassed) {
  const int64_t noon = UtcSeconds(2026, 1, 15, 12, 0, 0), none = INT64_MIN;
  const int64_t moscow = UtcSeconds(2026, 2, 7, 9, 0, 0), newYork = UtcSeconds(2026, 2, 1, 17, 0, 0);
  const struct {
    const char* zone;
    int32_t last, period;
    int64_t notYet, due;
  } cases[] = {
      {"Europe/Moscow", int32_t(UtcSeconds(2026, 1, 28, 12, 0, 0)), 10, moscow, moscow + 1},
      {"America/New_York", int32_t(UtcSeconds(2026, 1, 31, 12, 0, 0)), 1, newYork, newYork + 1},
      {"UTC", int32_t(noon), 0, noon, noon + 1},
      {"America/New_York", int32_t(noon), INT32_MAX, noon, none},
      {"America/New_York", int32_t(noon), INT32_MIN, none, noon},
      {"America/New_York", INT32_MAX, 10, noon, int64_t{1} << 33},  // the due moment lies past 2038
      {"America/New_York", INT32_MIN, 10, none, noon},              // a last check in 1901
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zone << " " << c.last << "+" << c.period);
    setenv("TZ", c.zone, 1);
    tzset();
    EXPECT_TRUE(c.notYet == none || !VersionCheckDue(c.last, c.period, c.notYet)) << "not yet due";
    EXPECT_TRUE(c.due == none || VersionCheckDue(c.last, c.period, c.due)) << "due";
  }
  setenv("TZ", "UTC", 1);
  tzset();
}
