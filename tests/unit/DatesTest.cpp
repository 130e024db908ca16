// What the version check and the census do to start-up is checked end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Census.h"
#include "app/VersionCheck.h"
#include "mail/ReceivedDate.h"
#include "mail/TimeScale.h"
#include "tests/support/RegistryValues.h"

namespace {

constexpr int32_t kExample = 1070271296;  // 2003-12-01 09:34:56 UTC
constexpr int32_t kNoStamp = 12345;       // what a failed parse leaves alone
const std::string kHead =
    "+OK\r\nReceived: from mx.example.org by pop.example.org with LMTP id abc\r\n\tfor <u@x>";

void SetZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

int32_t Parse(const std::string& reply) {
  int32_t value = kNoStamp;
  const bool found = ParseReceivedDate(reply.c_str(), &value);
  EXPECT_EQ(found, value != kNoStamp) << reply;
  return value;
}

TEST(ReceivedDate, ReadsTheStampAfterTheFirstSemicolonInLocalStandardTime) {
  SetZone("UTC");
  const std::string stamp = "; Mon, 1 Dec 2003 12:34:56 +0300";
  const std::pair<std::string, int32_t> cases[] = {
      {"; 1 Dec 2003 04:34:56 -0500 (EST)\r\n", kExample},  // no weekday, a zone name after
      {"; Mon, 1 Dec 2003 15:34:56 +0530", kExample + 1800},
      {"; Mon, 01 Dec 2003 09:34:55 Z0000", kExample - 1},  // any sign but '-' subtracts
      {"; 31 Nov 2003 09:34:56 +0000", kExample},           // out-of-range fields are normalised
      {"; Thu, 1 Jan 1970 00:30:00 +0100", -1},             // stamps that are no moment: before 1970 in UTC,
      {"; Tue, 19 Jan 2038 03:14:08 +0000", -1},            // past the 32-bit range,
      {"; 99999999999999999999 Dec 2003 12:34:56 +0300", -1},  // numbers beyond any range
      {"; Tue, 19 Jan 2038 03:14:07 +0000", 2147483647},
      {"; Mon, 1 Dec 2003 12:34:56 GMT", kNoStamp},            // letters for a zone
      {"; Mon, 1 DEC 2003 12:34:56 +0300", kNoStamp},          // month names are exact
      // Whole replies. Filters put fields with a ";" of their own above the
      // topmost Received field; the stamp is that field's all the same,
      // unfolded. Without a Received field the first ";" is read.
      {"+OK\r\nARC-Seal: i=1; a=rsa-sha256;\r\n\tcv=none\r\nreceived : by x\r\n\tfor <u@x>" + stamp,
       kExample},
      {"+OK\r\nX-Received: a; b\r\nReceived: by x; Mon, 1 Dec\r\n 2003 12:34:56\r\n +0300", kExample},
      {"+OK\r\nDKIM-Signature: v=1; d=x\r\nReceived: by x\r\n", kNoStamp},
      {"+OK\r\nX-Filter: by x" + stamp, kExample},
      {"+OK\r\nX-Spam: 1; Mon, 1 Dec 2003 10:00:00 +0000\r\n\r\nReceived: by x" + stamp, kExample + 1504},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.second, Parse(c.first.rfind("+OK", 0) == 0 ? c.first : kHead + c.first)) << c.first;
  EXPECT_FALSE(ParseReceivedDate(nullptr, nullptr));
  // The time scale carries the local zone's standard offset; daylight saving never enters.
  const std::pair<const char*, int32_t> zones[] = {{"UTC", 0}, {"MSK-3", -3 * 3600}, {"EST5EDT", 5 * 3600}};
  for (const auto& zone : zones) {
    SetZone(zone.first);
    EXPECT_EQ(kExample + zone.second, Parse(kHead + stamp)) << zone.first;
    EXPECT_EQ(kExample - 153 * 86400 + zone.second, Parse(kHead + "; Tue, 1 Jul 2003 12:34:56 +0300"))
        << zone.first;
  }
  SetZone("UTC");
}

// The due moment is the last check's UTC fields plus the days, read as local
// time: a few hours early east of Greenwich, late west of it. Off the 32-bit
// scale the dates still compare, without overflow.
TEST(VersionCheck, DueOnceThePeriodHasPassedAndOnlyAHigherNumberIsNewer) {
  const int64_t noon = UtcSeconds(2026, 1, 15, 12, 0, 0), none = INT64_MIN;
  const int64_t moscow = UtcSeconds(2026, 2, 7, 9, 0, 0), newYork = UtcSeconds(2026, 2, 1, 17, 0, 0);
  const struct {
    const char* zone;
    int32_t last, period;
    int64_t notYet, due;
  } cases[] = {
      {"Europe/Moscow", int32_t(UtcSeconds(2026, 1, 28, 12, 0, 0)), 10, moscow, moscow + 1},
      {"America/New_York", int32_t(UtcSeconds(2026, 1, 31, 12, 0, 0)), 1, newYork, newYork + 1},
      {"America/New_York", int32_t(noon), INT32_MAX, noon, none},
      {"America/New_York", int32_t(noon), INT32_MIN, none, noon},
      {"America/New_York", INT32_MAX, 10, noon, int64_t{1} << 33},  // the due moment lies past 2038
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zone << " " << c.last << "+" << c.period);
    SetZone(c.zone);
    EXPECT_TRUE(c.notYet == none || !VersionCheckDue(c.last, c.period, c.notYet)) << "not yet due";
    EXPECT_TRUE(c.due == none || VersionCheckDue(c.last, c.period, c.due)) << "due";
  }
  SetZone("UTC");
  // Of what the site publishes, the same number is no news.
  EXPECT_FALSE(IsNewerVersion(kProgramVersion));
  EXPECT_TRUE(IsNewerVersion(kProgramVersion + 0.01f));
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
  SetZone("UTC");
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

}  // namespace
