#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "mail/ReceivedDate.h"

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

TEST(ReceivedDate, ReadsTheStampAfterTheFirstSemicolon) {
  SetZone("UTC");
  const std::pair<std::string, int32_t> cases[] = {
      {"; Mon, 1 Dec 2003 12:34:56 +0300\r\n", kExample},
      {"; 1 Dec 2003 04:34:56 -0500 (EST)\r\n", kExample},  // no weekday, a zone name after
      {"; Mon, 1 Dec 2003 09:34:56 +0000\r\nSubject: x; y\r\n", kExample},
      {"; Mon, 1 Dec 2003 15:34:56 +0530", kExample + 1800},
      {"; Mon, 01 Dec 2003 09:34:55 Z0000", kExample - 1},     // any sign but '-' subtracts
      {"; 31 Nov 2003 09:34:56 +0000", kExample},              // out-of-range fields are normalised
      {"; Mon, 1 Dec 03 12:34:56 +0300", -1},                  // stamps that are no moment: a two-digit year,
      {"; Thu, 1 Jan 1970 00:30:00 +0100", -1},                // before 1970 in UTC,
      {"; Tue, 19 Jan 2038 03:14:08 +0000", -1},               // past the 32-bit range,
      {"; 99999999999999999999 Dec 2003 12:34:56 +0300", -1},  // numbers beyond any range
      {"; Tue, 19 Jan 2038 03:14:07 +0000", 2147483647},
      {"; 1 Dec", kNoStamp},                                   // 7 characters from the ';'
      {"; Mon, 1 Dec 2003 12:34:56 GMT", kNoStamp},            // letters for a zone
      {"; Mon, 1 Dec 2003 12:34 +0300", kNoStamp},             // no seconds
      {"; Mon, 1 DEC 2003 12:34:56 +0300", kNoStamp},          // month names are exact
      {"\r\nDate: Mon, 1 Dec 2003 12:34:56 +0300", kNoStamp},  // no ';'
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, Parse(kHead + c.first)) << c.first;
  EXPECT_FALSE(ParseReceivedDate(nullptr, nullptr));
}

TEST(ReceivedDate, TheTimeScaleCarriesTheStandardOffsetOfTheLocalZone) {
  // Daylight saving never enters: summer and winter get the same offset.
  const std::pair<const char*, int32_t> zones[] = {{"UTC", 0}, {"MSK-3", -3 * 3600}, {"EST5EDT", 5 * 3600}};
  for (const auto& zone : zones) {
    SetZone(zone.first);
    EXPECT_EQ(kExample + zone.second, Parse(kHead + "; Mon, 1 Dec 2003 12:34:56 +0300")) << zone.first;
    EXPECT_EQ(kExample - 153 * 86400 + zone.second, Parse(kHead + "; Tue, 1 Jul 2003 12:34:56 +0300"))
        << zone.first;
  }
  SetZone("UTC");
}

}  // namespace
