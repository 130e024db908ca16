#include "settings/Census.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/Application.h"
#include "platform/host/HostControl.h"

TEST(Census, AsksOnlyInDecemberOfAYearNotAskedYet) {
  setenv("TZ", "UTC", 1);
  tzset();
  constexpr int64_t kNovember30 = 1796040000;  // 2026-11-30 12:00 UTC
  constexpr int64_t kDecember1 = 1796126400;   // 2026-12-01 12:00 UTC
  constexpr int32_t k2026 = 126;               // years since 1900
  // The last one: a clock set back asks nothing either.
  const struct {
    int64_t now, lastYear;
    bool asks;
  } cases[] = {{kNovember30, 0, false},
               {kDecember1, k2026 - 1, true},
               {kDecember1, k2026, false},
               {kDecember1, k2026 + 5, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.now << " " << c.lastYear);
    host::Reset();
    host::SetTime(c.now);
    host::QueueAnswer(platform::BoxAnswer::Yes);  // to the census, and No to the vote
    host::QueueAnswer(platform::BoxAnswer::No);
    Application app;
    app.LastCensusYear = c.lastYear;
    RunCensus(app);
    EXPECT_EQ(c.asks ? 2u : 0u, host::MessageBoxes().size());
    EXPECT_EQ(c.asks ? 1u : 0u, host::ShellCalls().size()) << "the letter; No to the vote opens nothing";
    EXPECT_EQ(c.asks ? k2026 : c.lastYear, app.LastCensusYear);
  }
}
