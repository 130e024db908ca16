#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "app/Application.h"
#include "settings/Census.h"
#include "tests/unit/RegistryValues.h"

using platform::BoxAnswer;

// Once a year, in December: the letter and the vote page open only after a
// Yes each, and the year is noted whatever the answers.
TEST(CensusTest, AsksOnceEachDecember) {
  const struct {
    int64_t now;  // noon UTC
    int32_t lastYear;
    std::vector<BoxAnswer> answers;
    size_t questions, opened;
    int32_t yearAfter;
  } cases[] = {
      {1764590400, 0, {BoxAnswer::No}, 1, 0, 125},                      // 2025-12-01
      {1796040000, 125, {}, 0, 0, 125},                                 // 2026-11-30: waits for December
      {1796126400, 125, {BoxAnswer::Yes, BoxAnswer::Yes}, 2, 2, 126},  // 2026-12-01
      {1798718400, 125, {BoxAnswer::Yes, BoxAnswer::No}, 2, 1, 126},   // 2026-12-31
      {1798718400, 126, {}, 0, 0, 126},                                 // the same year again
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
    const auto questions = host::MessageBoxes();
    ASSERT_EQ(c.questions, questions.size());
    EXPECT_EQ(c.opened, host::ShellCalls().size());
    EXPECT_EQ(c.yearAfter, app.LastCensusYear);
    if (c.questions > 0) {
      EXPECT_EQ(std::to_string(c.yearAfter), Stored("Software\\Tandreller\\Settings", "LastCensusYear"));
    }
  }
}
