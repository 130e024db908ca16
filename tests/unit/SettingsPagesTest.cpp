#include <gtest/gtest.h>

#include <string>

#include "mail/MailboxFields.h"
#include "mail/MailboxList.h"
#include "mail/MailboxNavigation.h"
#include "platform/host/HostControl.h"

namespace {

// F first and previous, f to the front, N next and last, n to the back, A add,
// D delete; then the counters.
TEST(MailboxNavigation, TheEndsOfTheListDisableTheirButtons) {
  const struct {
    int32_t current, count;
    const char* bar;
  } cases[] = {{0, 1, "----A- 1/1"}, {0, 3, "--NnAD 1/3"}, {1, 3, "FfNnAD 2/3"}, {2, 3, "Ff--AD 3/3"}};
  for (const auto& c : cases) {
    const MailboxNavigation b = NavigationFor(c.current, c.count);
    EXPECT_EQ(c.bar, std::string(b.First ? "F" : "-") + (b.MoveFront ? "f" : "-") + (b.Next ? "N" : "-") +
                         (b.MoveBack ? "n" : "-") + (b.Add ? "A" : "-") + (b.Delete ? "D" : "-") + " " +
                         std::to_string(b.Number) + "/" + std::to_string(b.Count));
  }
}

int g_polls = 0;  // the check started at once by arming, then one per period
intptr_t CountPolls(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == platform::kMsgTimer) ++g_polls;
  return platform::DefaultWindowProc(window, message, wParam, lParam);
}

// In order, on the second of two boxes, armed with Delay 60; its name is left
// empty and its server is "abc".
TEST(MailboxPage, OnlyAnAcceptedIntervalTouchesDelayAndTheTimer) {
  host::Reset();
  ASSERT_TRUE(platform::RegisterWindowClass(nullptr, "PageTimers", CountPolls, nullptr));
  MailboxList boxes;
  boxes.TimerWindow = platform::CreateHiddenWindow(nullptr, "PageTimers");
  boxes.AddBox();
  boxes.AddBox();
  boxes.ArmBoxTimer(1, true);
  MailboxFields fields;
  fields.PopServerName = "abc";
  const struct {
    bool check;
    const char* interval;
    int32_t delay;
    bool armed;
    int polls;
  } steps[] = {
      {true, "19", 60, true, 1}, {true, "60", 60, true, 1},  {true, "4294967295", INT32_MAX, true, 2},
      {true, "20", 20, true, 3}, {false, "19", 20, true, 3}, {false, "30", 30, false, 3},
      {true, "30", 30, true, 4}};
  const Mailbox& box = *boxes.At(1);
  for (const auto& step : steps) {
    fields.CheckBox = step.check;
    fields.Interval = step.interval;
    StoreFields(boxes, fields);
    EXPECT_EQ(step.check ? 1 : 0, box.DoCheckBox) << step.interval;
    EXPECT_EQ(step.delay, box.Delay) << step.interval;
    EXPECT_EQ(step.armed, !host::ActiveTimers(boxes.TimerWindow).empty()) << step.interval;
    EXPECT_EQ(step.polls, g_polls) << step.interval;
  }
  host::AdvanceClock(29999);
  host::PumpMessages();
  EXPECT_EQ(4, g_polls);
  host::AdvanceClock(1);
  host::PumpMessages();
  EXPECT_EQ(5, g_polls) << "the timer runs with the new period";
  EXPECT_STREQ("Ящик № 2 (abc)", box.BoxName.Text());
}

TEST(MailboxPage, SoundModeAndItsTicks) {
  const struct {
    int32_t mode;
    bool speaker, wav, stored;
  } rows[] = {{0, true, false, true},  {1, false, true, true},   {2, true, true, true},
              {3, false, false, true}, {4, false, false, false}, {-1, false, false, false}};
  for (const auto& row : rows) {
    bool speaker = !row.speaker, wav = !row.wav;
    TicksOf(row.mode, &speaker, &wav);
    EXPECT_TRUE(speaker == row.speaker && wav == row.wav) << row.mode;
    EXPECT_TRUE(!row.stored || SoundModeOf(row.speaker, row.wav) == row.mode) << row.mode;
  }
}

TEST(MailboxPage, NumberFieldsReadWholeUnsignedNumbersOrZero) {
  for (const char* text : {"", "  ", "4294967296", "99999999999999999999", "12a", "-5", "+5", "1 2"}) {
    EXPECT_EQ(0u, ReadUnsigned(text)) << '"' << text << '"';
  }
  EXPECT_EQ(42u, ReadUnsigned(" 42\t"));
  EXPECT_EQ(UINT32_MAX, ReadUnsigned("4294967295"));
}

}  // namespace
