// The tray icon's states, clicks, menus and alerts on the stand-in's tray and
// clock. The frames of the jumping envelope, the box menu's counts, the exit
// question and the icon drawn at 144 DPI are checked end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "notify/AlertSound.h"
#include "app/TrayMenus.h"
#include "platform/host/HostControl.h"
#include "resources/resource.h"

namespace {

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::Reset();
    host::FailThreadStart(true);  // no polls; alerts are tested on their own
    app_ = new Application();
    ASSERT_EQ(1, app_->Init(nullptr));
    app_->UserCommands.Clear();
    Box(0).MsminPath = "mail.exe";
  }
  void TearDown() override { delete app_; }

  Mailbox& Box(int index) { return *app_->Boxes.At(index); }
  TrayNotifier& Tray() { return app_->Tray; }
  host::TrayIcon Icon() {
    const auto icons = host::TrayIcons();
    return icons.size() == 1 ? icons[0] : host::TrayIcon{};
  }
  int ShownId() { return host::IconResourceId(Icon().icon); }
  void Mouse(platform::MainEvent event) { host::RaiseEvent(event); }
  void Tick() {
    host::AdvanceClock(TrayNotifier::kAnimationPeriodMs);
    host::RunQueued();
  }
  // Whether the envelope jumps: the boxes' timers run meanwhile.
  int Timers() {
    const auto ids = host::ActiveTimers();
    return static_cast<int>(std::count(ids.begin(), ids.end(), TrayNotifier::kAnimationTimerId));
  }

  Application* app_ = nullptr;
};

TEST(TrayIcons, TheQuietEnvelopeOfTheDay) {
  const struct {
    int month, day, icon;
  } days[] = {{2, 22, IDI_ENVELOPE_SHIELD}, {2, 23, IDI_ENVELOPE},           {3, 7, IDI_ENVELOPE_FLOWERS},
              {12, 26, IDI_ENVELOPE},       {12, 27, IDI_ENVELOPE_NEW_YEAR}, {1, 4, IDI_ENVELOPE_NEW_YEAR},
              {1, 5, IDI_ENVELOPE}};
  for (const auto& d : days) EXPECT_EQ(d.icon, QuietIconFor(d.month, d.day)) << d.month << "-" << d.day;
}

TEST_F(TrayTest, NewMailJumpsWithTheCountAndQuietStopsIt) {
  app_->Boxes.AddBox();
  Box(0).PublishCount(2);
  Box(1).PublishCount(3);
  Box(1).DoCheckBox = 2;  // counts for the total, though not for the first box with mail
  app_->Prompt = std::string(70, 'M').c_str();
  Tray().SetState(TrayState::NewMail);
  EXPECT_EQ(std::string(54, 'M') + " (5 шт.)!", Icon().tip) << "the prompt is cut, the count stays";
  Tick();
  EXPECT_EQ(1, Timers());

  const int calls = host::TrayCallCount();
  Tray().SetState(TrayState::NewMail);
  EXPECT_EQ(calls, host::TrayCallCount()) << "the state already shown: nothing, no sound";
  Tray().SetState(TrayState::NewVersion);
  EXPECT_EQ(1, Timers()) << "the running timer goes on, rewound";
  Tick();
  EXPECT_EQ(IDI_ENVELOPE_ALERT1, ShownId());
  Tray().SetState(TrayState::Quiet);
  EXPECT_EQ(0, Timers());
  EXPECT_EQ(IDI_ENVELOPE, ShownId());
  EXPECT_EQ("Все спокойно!", Icon().tip);
  Tray().SetState(TrayState::CheckingVersion);
  EXPECT_EQ(IDI_ENVELOPE_QUESTION, ShownId());
}

TEST_F(TrayTest, BoxMenuTextsAndClicksThatDoNothing) {
  app_->Boxes.AddBox();
  Box(0).BoxName = std::string(300, 'n').c_str();
  Box(1).PublishCount(4);
  Tray().SetState(TrayState::NewMail);
  Mouse(platform::MainEvent::TrayRightClick);  // the new-mail list: no dialog on the host
  Mouse(platform::MainEvent::TrayMouseOver);
  ASSERT_EQ(1u, host::MenusShown().size());
  const auto items = host::MenusShown()[0];
  ASSERT_EQ(2u, items.size());
  EXPECT_EQ(std::string(196, 'n') + "\t:(", items[0].text) << "a long name is cut, the smiley stays";
  EXPECT_EQ(platform::ItemState::Enabled, items[0].state);
  EXPECT_EQ(platform::ItemState::Checked, items[1].state) << "the box with mail";

  ASSERT_EQ(1, app_->EnterModal());
  Mouse(platform::MainEvent::TrayLeftClick);
  EXPECT_EQ(1u, host::MenusShown().size()) << "no menu while a dialog holds the guard";
  app_->LeaveModal();
  Tray().SetState(TrayState::CheckingVersion);
  Mouse(platform::MainEvent::TrayLeftClick);
  Mouse(platform::MainEvent::TrayRightClick);
  EXPECT_EQ(1u, host::MenusShown().size()) << "checking for a version ignores the mouse";
  EXPECT_TRUE(host::ShellCalls().empty());
}

TEST_F(TrayTest, TheTrayMenuAndItsChoices) {
  app_->UserCommands.Add(Command("Блокнот", "notepad.exe"));
  app_->UserCommands.Add(Command("Настроить данное меню", ""));
  app_->UserCommands.Add(Command("Сломанная", "nosuch.exe"));
  host::RefuseShellTarget("nosuch.exe");
  host::QueueAnswer(platform::BoxAnswer::No);  // to "Неверная команда"
  for (uint32_t choice : {kFirstCommandId, kFirstCommandId + 1, kFirstCommandId + 2}) {
    host::QueueMenuChoice(choice);
    Mouse(platform::MainEvent::TrayRightClick);
  }
  using platform::ItemState;
  const host::MenuItem expected[] = {{40001, "Настройки", ItemState::Enabled},
                                     {40008, "Статистика", ItemState::Disabled},
                                     {40006, "О программе", ItemState::Enabled},
                                     {40002, "Выход", ItemState::Enabled},
                                     {0, "", ItemState::Enabled},
                                     {kFirstCommandId, "Блокнот", ItemState::Enabled},
                                     {kFirstCommandId + 1, "Настроить данное меню", ItemState::Enabled},
                                     {kFirstCommandId + 2, "Сломанная", ItemState::Enabled}};
  const auto items = host::MenusShown()[0];
  ASSERT_EQ(std::size(expected), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(expected[i].id, items[i].id) << i;
    EXPECT_EQ(expected[i].text, items[i].text) << i;
    EXPECT_EQ(expected[i].state, items[i].state) << i;
  }
  ASSERT_EQ(2u, host::ShellCalls().size()) << "the empty command reaches no shell";
  EXPECT_EQ("notepad.exe", host::ShellCalls()[0].target);
  EXPECT_EQ(NumberOf(SettingsPage::Commands), app_->LastTabPos) << "the empty command opens the commands tab";
  ASSERT_EQ(1u, host::MessageBoxes().size());
  EXPECT_EQ("Неверная команда\nХотите исправить?", host::MessageBoxes()[0]);
}

TEST_F(TrayTest, OneAlertAtATime) {
  host::FailThreadStart(false);
  StartAlertSound(app_->SpeakerSlot.Get(), app_->WavSlot.Get(), kSoundSpeaker, "!p!p!p!", "", 30);
  StartAlertSound(app_->SpeakerSlot.Get(), app_->WavSlot.Get(), kSoundSpeaker, "!", "", 30);
  host::JoinStartedThreads();
  EXPECT_EQ(4u, host::Sounds().size()) << "the second alert is dropped while the first sounds";
  StartAlertSound(app_->SpeakerSlot.Get(), app_->WavSlot.Get(), kSoundNone, "!", "missing.wav", 30);
  host::JoinStartedThreads();
  StartAlertSound(app_->SpeakerSlot.Get(), app_->WavSlot.Get(), kSoundBoth, "!", "missing.wav", 30);
  host::JoinStartedThreads();
  EXPECT_EQ(5u, host::Sounds().size())
      << "silence frees the slots at once; a missing file plays nothing";
}

}  // namespace
