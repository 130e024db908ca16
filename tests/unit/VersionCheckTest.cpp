// When start-up asks the site for a newer version, and when it asks for the
// yearly census; what those do to start-up is checked end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/VersionCheck.h"
#include "mail/TimeScale.h"
#include "settings/Census.h"
#include "tests/unit/RegistryValues.h"

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

// Once a year, in December: the letter and the vote page open only after a
// Yes each, and the year is noted whatever the answers.
TEST(CensusTest, AsksOnceEachDecember) {
  using platform::BoxAnswer;
  const struct {
    int64_t now;  // noon UTC
    int32_t lastYear;
    std::vector<BoxAnswer> answers;
    size_t questions, opened;
    int32_t yearAfter;
  } cases[] = {
      {1764590400, 0, {BoxAnswer::No}, 1, 0, 125},                     // 2025-12-01
      {1796040000, 125, {}, 0, 0, 125},                                // 2026-11-30: waits for December
      {1796126400, 125, {BoxAnswer::Yes, BoxAnswer::Yes}, 2, 2, 126},  // 2026-12-01
      {1798718400, 125, {BoxAnswer::Yes, BoxAnswer::No}, 2, 1, 126},   // 2026-12-31
      {1798718400, 126, {}, 0, 0, 126},                                // the same year again
  };
  setenv("TZ", "UTC", 1);
  tzset();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.now << " after " << c.lastYear);
    host::Reset();
    host::SetTime(c.now);
    for (BoxAnswer answer : c.answers) host::QueueAnswer(answer);
    Application app;
    app.LastCensusYear = c.lastYear;
    RunCensus(app);
    ASSERT_EQ(c.questions, host::MessageBoxes().size());
    EXPECT_EQ(c.opened, host::ShellCalls().size());
    EXPECT_EQ(c.yearAfter, app.LastCensusYear);
    EXPECT_EQ(c.questions > 0 ? std::to_string(c.yearAfter) : "<missing>",
              Stored("Software\\Tandreller\\Settings", "LastCensusYear"));
  }
}
