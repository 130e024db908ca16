#include "settings/Census.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/Application.h"
#include "platform/host/HostControl.h"

namespace {

constexpr int64_t kNovember30 = 1796040000;  // 2026-11-30 12:00 UTC
constexpr int64_t kDecember1 = 1796126400;   // 2026-12-01 12:00 UTC
constexpr int32_t k2026 = 126;               // years since 1900

class CensusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    host::Reset();
  }

  static int32_t StoredYear() {
    host::RegValue value;
    if (!host::GetValue(platform::RegRoot::CurrentUser, "Software\\Tandreller\\Settings", "LastCensusYear", &value)) {
      return -1;
    }
    return value.data[0] | value.data[1] << 8;
  }
};

TEST_F(CensusTest, AsksOnlyInDecemberOfAYearNotAskedYet) {
  struct Case {
    int64_t now;
    int32_t lastYear;
    bool asks;
  };
  const Case cases[] = {{kNovember30, 0, false}, {kDecember1, 0, true},          {kDecember1, k2026 - 1, true},
                        {kDecember1, k2026, false}, {kDecember1, k2026 + 5, false}};
  for (const Case& c : cases) {
    host::Reset();
    host::SetTime(c.now);
    host::QueueAnswer(platform::BoxAnswer::No);
    Application app;
    app.LastCensusYear = c.lastYear;
    RunCensus(app);
    EXPECT_EQ(c.asks ? 1u : 0u, host::MessageBoxes().size()) << c.now << " " << c.lastYear;
    EXPECT_EQ(c.asks ? k2026 : c.lastYear, app.LastCensusYear);
    EXPECT_EQ(c.asks ? k2026 : -1, StoredYear());
  }
}

TEST_F(CensusTest, PlaysTheTuneThenAsksBothQuestions) {
  host::SetTime(kDecember1);
  Application app;
  host::QueueAnswer(platform::BoxAnswer::Yes);
  host::QueueAnswer(platform::BoxAnswer::Yes);
  RunCensus(app);
  const auto sounds = host::Sounds();
  ASSERT_EQ(8u, sounds.size()) << "!!p!p!!!p!p! has eight beeps";
  EXPECT_EQ(100u, sounds[0].frequencyHz);
  EXPECT_EQ(8u, sounds[0].durationMs);
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ("Вестун :)", boxes[0].caption);
  EXPECT_EQ(0u, boxes[0].text.find("Здравствуйте!\nВам предлагается принять участие"));
  EXPECT_EQ(platform::BoxIcon::Question, boxes[0].icon);
  EXPECT_EQ("Вестун :))", boxes[1].caption);
  EXPECT_EQ(0u, boxes[1].text.find("Хотите, заодно, проголосовать за программу в хит-параде "));
  EXPECT_EQ(" ?", boxes[1].text.substr(boxes[1].text.size() - 2));
  const auto calls = host::ShellCalls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ(0u, calls[0].target.find("mailto:"));
  EXPECT_NE(std::string::npos, calls[0].target.find("?subject=Вестуном пользуюусь.&body=Вот:)"));
  EXPECT_EQ("", calls[0].params) << "the whole letter goes to the shell as one target";
  EXPECT_NE(std::string::npos, calls[1].target.find("a="));
  EXPECT_NE(std::string::npos, calls[1].target.find("i="));
}

TEST_F(CensusTest, YesThenNoOpensOnlyTheLetter) {
  host::SetTime(kDecember1);
  Application app;
  host::QueueAnswer(platform::BoxAnswer::Yes);
  host::QueueAnswer(platform::BoxAnswer::No);
  RunCensus(app);
  EXPECT_EQ(1u, host::ShellCalls().size());
  EXPECT_EQ(k2026, StoredYear());
}

TEST_F(CensusTest, AnUnwritableKeyKeepsTheYearInMemoryOnly) {
  host::SetTime(kDecember1);
  host::FailKeysUnder("Software\\Tandreller\\Settings");
  host::QueueAnswer(platform::BoxAnswer::No);
  Application app;
  RunCensus(app);
  EXPECT_EQ(k2026, app.LastCensusYear);
  ASSERT_EQ(2u, host::MessageBoxes().size());
  EXPECT_EQ(0u, host::MessageBoxes()[1].text.find("Не удалось добавить ключ в реестр"));
}

}  // namespace
