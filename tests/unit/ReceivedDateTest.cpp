#include "mail/ReceivedDate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// 2003-12-01 09:34:56 UTC.
constexpr int32_t kExample = 1070271296;

class ReceivedDateTest : public ::testing::Test {
 protected:
  void TearDown() override { SetZone("UTC"); }
  static void SetZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  static int32_t Parse(const std::string& reply) {
    int32_t value = 12345;
    EXPECT_TRUE(ParseReceivedDate(reply.c_str(), &value)) << reply;
    return value;
  }
  static void ExpectNoStamp(const std::string& reply) {
    int32_t value = 12345;
    EXPECT_FALSE(ParseReceivedDate(reply.c_str(), &value)) << reply;
    EXPECT_EQ(12345, value) << "a failed parse leaves the value alone";
  }
};

const char kHead[] = "+OK\r\nReceived: from mx.example.org by pop.example.org with LMTP id abc\r\n\tfor <u@example.org>";

TEST_F(ReceivedDateTest, ReadsTheStampAfterTheFirstSemicolonAsUtc) {
  SetZone("UTC");
  const std::string head = kHead;
  EXPECT_EQ(kExample, Parse(head + "; Mon, 1 Dec 2003 12:34:56 +0300\r\n"));
  EXPECT_EQ(kExample, Parse(head + "; 1 Dec 2003 04:34:56 -0500 (EST)\r\n")) << "no weekday, a zone name after";
  EXPECT_EQ(kExample, Parse(head + ";Mon, 1 Dec 2003 09:34:56 -0000"));
  EXPECT_EQ(kExample, Parse(head + "; Mon, 1 Dec 2003 09:34:56 +0000\r\nSubject: x; y\r\n"));
  EXPECT_EQ(kExample + 1800, Parse(head + "; Mon, 1 Dec 2003 15:34:56 +0530"));
  EXPECT_EQ(kExample - 1, Parse(head + "; Mon, 01 Dec 2003 09:34:55 Z0000")) << "any sign but '-' subtracts";
}

TEST_F(ReceivedDateTest, TheTimeScaleCarriesTheStandardOffsetOfTheLocalZone) {
  // Three hours east of UTC the scale runs three hours behind true UTC, and
  // daylight saving never enters: the same stamp in summer and winter.
  const std::string stamp = std::string(kHead) + "; Mon, 1 Dec 2003 12:34:56 +0300";
  const std::string summer = std::string(kHead) + "; Tue, 1 Jul 2003 12:34:56 +0300";
  const std::pair<const char*, int32_t> zones[] = {{"UTC", 0}, {"MSK-3", -3 * 3600}, {"EST5EDT", 5 * 3600}};
  for (const auto& zone : zones) {
    SetZone(zone.first);
    EXPECT_EQ(kExample + zone.second, Parse(stamp)) << zone.first;
    EXPECT_EQ(kExample - 153 * 86400 + zone.second, Parse(summer)) << zone.first;
  }
}

TEST_F(ReceivedDateTest, ShapesThatAreNoStamp) {
  const std::string head = kHead;
  ExpectNoStamp("+OK\r\nReceived: from a by b\r\nDate: Mon, 1 Dec 2003 12:34:56 +0300");  // no ';'
  ExpectNoStamp(head + "; 1 Dec");                                     // 7 characters from the ';'
  ExpectNoStamp(head + "; no digits here at all");
  ExpectNoStamp(head + "; Mon, 1 Dec 2003 12:34:56 GMT");              // letters for a zone
  ExpectNoStamp(head + "; Mon, 1 Dec 2003 12:34 +0300");               // no seconds
  ExpectNoStamp(head + "; Mon, 1 DEC 2003 12:34:56 +0300");            // month names are exact
  ExpectNoStamp(head + "; Mon, 1 dec 2003 12:34:56 +0300");
  ExpectNoStamp(head + "; Mon, 1 Dec 2003 12:34:56 +");
  ExpectNoStamp(head + "; Mon, 1 Декабря 2003 12:34:56 +0300");
  ExpectNoStamp("");
  int32_t value = 0;
  EXPECT_FALSE(ParseReceivedDate(nullptr, &value));
}

TEST_F(ReceivedDateTest, StampsThatAreNoMomentReadAsMinusOne) {
  const std::string head = kHead;
  EXPECT_EQ(-1, Parse(head + "; Mon, 1 Dec 03 12:34:56 +0300")) << "two-digit year";
  EXPECT_EQ(-1, Parse(head + "; Thu, 1 Jan 1970 00:30:00 +0100")) << "before 1970 in UTC";
  EXPECT_EQ(-1, Parse(head + "; Tue, 19 Jan 2038 03:14:08 +0000")) << "past the 32-bit range";
  EXPECT_EQ(-1, Parse(head + "; 99999999999999999999 Dec 2003 12:34:56 +0300")) << "numbers beyond any range";
  EXPECT_EQ(-1, Parse(head + "; 1 Dec -2147483648 12:34:56 +0300"));
  EXPECT_EQ(2147483647, Parse(head + "; Tue, 19 Jan 2038 03:14:07 +0000"));
}

TEST_F(ReceivedDateTest, OutOfRangeFieldsAreNormalised) {
  const std::string head = kHead;
  EXPECT_EQ(kExample, Parse(head + "; 31 Nov 2003 09:34:56 +0000")) << "31 November is 1 December";
  EXPECT_EQ(kExample, Parse(head + "; 30 Nov 2003 33:34:56 +0000"));
  EXPECT_EQ(kExample, Parse(head + "; 2 Dec 2003 01:34:56 +1600"));
}

TEST_F(ReceivedDateTest, TheFirstSemicolonWinsEvenAboveTheReceivedField) {
  const std::string reply =
      "+OK\r\nContent-Type: text/plain; charset=koi8-r\r\nReceived: by x; Mon, 1 Dec 2003 12:34:56 +0300\r\n";
  int32_t value = 0;
  // The scan starts after "charset=" and finds the digits of "koi8-r".
  EXPECT_FALSE(ParseReceivedDate(reply.c_str(), &value));
}

}  // namespace
