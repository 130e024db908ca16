// The envelope's frames, the box menu's counts, the exit question and the
// 144 DPI icon are checked end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <string>

#include "app/Application.h"
#include "app/MainEvents.h"
#include "app/Site.h"
#include "app/TrayMenus.h"
#include "common/Utf8.h"
#include "notify/AlertSound.h"
#include "notify/Balloon.h"
#include "notify/SpeakerPattern.h"
#include "platform/host/HostControl.h"
#include "tests/support/RegistryValues.h"

namespace {

void MailArrives(Application& app) {
  app.Boxes.At(0)->SoundMode = kSoundNone;
  app.Boxes.At(0)->PublishCount(1);
  OnCheckResult(&app, nullptr);
}

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { SiteAnswers(); }
  // With a version file on the site, start-up's check reads it in a thread (beside the box's
  // first poll, which reaches no server) until SiteAnswers. No thread starts later: no polls,
  // and alerts are tested on their own.
  void Start(const char* siteVersion = nullptr, void (*firstDialog)(Application&) = nullptr) {
    host::Reset();
    host::FailThreadStart(siteVersion == nullptr);
    if (siteVersion != nullptr) host::ServeUrl(site::kVersionFile, siteVersion);
    host::HoldUrlReads(true);
    app_ = std::make_unique<Application>();
    app_->Dialogs.Settings = firstDialog;
    ASSERT_TRUE(app_->Init(nullptr));
    host::FailThreadStart(true);
    app_->UserCommands.clear();
    Box(0).MsminPath = "mail.exe";
  }
  void SiteAnswers() {
    host::HoldUrlReads(false);
    host::JoinStartedThreads();
    host::RunQueued();
  }

  Mailbox& Box(int index) { return *app_->Boxes.At(index); }
  TrayNotifier& Tray() { return app_->Tray; }
  host::TrayIcon Icon() {
    const auto icons = host::TrayIcons();
    return icons.size() == 1 ? icons[0] : host::TrayIcon{};
  }
  static platform::Icon Named(platform::IconName name) {
    return platform::LoadProgramIcon(nullptr, name, 16);
  }
  void Tick() {
    host::AdvanceClock(TrayNotifier::kAnimationPeriodMs);
    host::RunQueued();
  }
  // The first menu shown, "id text" and a mark an item: " " enabled, "+" checked, "-" disabled.
  static std::string FirstMenu() {
    const auto menus = host::MenusShown();
    std::string all;
    for (const host::MenuItem& item : menus.at(0))
      all += std::to_string(item.id) + " " + item.text + " +-"[int(item.state)] + "\n";
    return all;
  }

  std::unique_ptr<Application> app_;
};

TEST(TrayIcons, TheQuietEnvelopeOfTheDay) {
  using Name = platform::IconName;
  const std::map<int, Name> days = {{222, Name::ShieldEnvelope},   {223, Name::Envelope},
                                    {307, Name::FlowersEnvelope},  {1226, Name::Envelope},
                                    {1227, Name::NewYearEnvelope}, {104, Name::NewYearEnvelope},
                                    {105, Name::Envelope}};  // month and day
  for (const auto& d : days) EXPECT_EQ(d.second, QuietIconFor(d.first / 100, d.first % 100)) << d.first;
}

TEST_F(TrayTest, NewMailJumpsWithTheCountAndQuietStopsIt) {
  app_->Boxes.AddBox();
  Box(0).PublishCount(2);
  Box(1).PublishCount(3);
  Box(1).DoCheckBox = 2;  // counts for the total, though not for the first box with mail
  app_->Prompt = std::string(70, 'M');
  Tray().SetState(TrayState::NewMail);
  EXPECT_EQ(std::string(54, 'M') + " (5 шт.)!", Icon().tip) << "the prompt is cut, the count stays";
  Tick();
  const platform::Timer jumping = Tray().Animation.Get();
  EXPECT_NE(nullptr, jumping);

  const int calls = host::TrayCallCount();
  Tray().SetState(TrayState::NewMail);
  EXPECT_EQ(calls, host::TrayCallCount()) << "the state already shown: nothing, no sound";
  Tray().SetState(TrayState::NewVersion);
  EXPECT_EQ(jumping, Tray().Animation.Get()) << "the running timer goes on, rewound";
  Tick();
  EXPECT_EQ(Named(platform::IconName::NewsUpright), Icon().icon);
  Tray().SetState(TrayState::Quiet);
  EXPECT_FALSE(Tray().Animation);
  EXPECT_EQ(Named(platform::IconName::Envelope), Icon().icon);
  EXPECT_EQ("Все спокойно!", Icon().tip);
  Tray().SetState(TrayState::CheckingVersion);
  EXPECT_EQ(Named(platform::IconName::QuestionEnvelope), Icon().icon);
}

TEST_F(TrayTest, BoxMenuTextsAndClicksThatDoNothing) {
  app_->Boxes.AddBox();
  Box(0).BoxName = std::string(300, 'n');
  Box(1).PublishCount(4);
  Tray().SetState(TrayState::NewMail);
  host::RaiseEvent(platform::MainEvent::TrayRightClick);  // the new-mail list: no dialog on the host
  host::RaiseEvent(platform::MainEvent::TrayMouseOver);
  EXPECT_EQ("11024 " + std::string(196, 'n') + "\t:( \n11025 \t:)  4 шт.+\n", FirstMenu())
      << "a long name is cut, the smiley stays; the box with mail is checked";

  ASSERT_TRUE(app_->EnterModal());
  host::RaiseEvent(platform::MainEvent::TrayLeftClick);
  EXPECT_EQ(1u, host::MenusShown().size()) << "no menu while a dialog holds the guard";
  app_->LeaveModal();
  Tray().SetState(TrayState::CheckingVersion);
  host::RaiseEvent(platform::MainEvent::TrayLeftClick);
  host::RaiseEvent(platform::MainEvent::TrayRightClick);
  EXPECT_EQ(1u, host::MenusShown().size()) << "checking for a version ignores the mouse";
  EXPECT_TRUE(host::ShellCalls().empty());
}

TEST_F(TrayTest, TheTrayMenuAndItsChoices) {
  app_->UserCommands = {
      {"Блокнот", "notepad.exe"}, {"Настроить данное меню", ""}, {"Сломанная", "nosuch.exe"}};
  host::RefuseShellTarget("nosuch.exe");
  host::QueueAnswer(platform::BoxAnswer::No);  // to "Неверная команда"
  for (uint32_t choice : {kFirstCommandId, kFirstCommandId + 1, kFirstCommandId + 2}) {
    host::QueueMenuChoice(choice);
    host::RaiseEvent(platform::MainEvent::TrayRightClick);
  }
  EXPECT_EQ(
      "40001 Настройки \n40008 Статистика-\n40006 О программе \n40002 Выход \n0  \n"
      "2024 Блокнот \n2025 Настроить данное меню \n2026 Сломанная \n",
      FirstMenu());
  ASSERT_EQ(2u, host::ShellCalls().size()) << "the empty command reaches no shell";
  EXPECT_EQ("notepad.exe", host::ShellCalls()[0].target);
  EXPECT_EQ(NumberOf(SettingsPage::Commands), app_->LastTabPos) << "the empty command opens the commands tab";
  EXPECT_EQ(std::vector<std::string>{"Неверная команда\nХотите исправить?"}, host::MessageBoxes());
}

TEST_F(TrayTest, OneAlertAtATime) {
  host::FailThreadStart(false);
  const auto alert = [this](int32_t mode, const char* pattern, const char* wav) {
    StartAlertSound(app_->SpeakerSlot.Get(), app_->WavSlot.Get(), mode, pattern, wav, 30);
  };
  alert(kSoundSpeaker, "!p!p!p!", "");
  alert(kSoundSpeaker, "!", "");
  host::JoinStartedThreads();
  EXPECT_EQ(4u, host::Sounds().size()) << "the second alert is dropped while the first sounds";
  for (int32_t mode : {kSoundNone, kSoundBoth}) {
    alert(mode, "!", "missing.wav");
    host::JoinStartedThreads();
  }
  EXPECT_EQ(5u, host::Sounds().size()) << "silence frees the slots at once; a missing file plays nothing";
}

// The undated last, every box in the title.
TEST(Balloon, NewestFirstAndWhatDoesNotFitCounted) {
  using letter = MessageInfo;  // date, sender, subject
  std::vector<MessageInfo> many;
  for (int i = 1; i <= 30; ++i) many.push_back(letter{i, "sender" + std::to_string(i), "subject"});
  const std::string emoji = u8"\U0001F600";
  struct Case {
    std::vector<BoxNews> news;
    std::string title, text;
  } cases[] = {
      {{{1, "Дом", 3, {letter{5, "b", "B"}, letter{0, "c", ""}, letter{9, "", "A"}}}},
       u8"Дом (3 шт.)",
       "A\nb \xE2\x80\x94 B\nc"},
      {{{1, "Дом", 1, {letter{5, "a", ""}}}, {2, "Работа", 2, {}}},
       u8"Дом (1 шт.), Работа (2 шт.)",
       u8"a\nРабота: Мыло припёрло (2 шт.)!"},
      {{{1, std::string(70, 'n'), 2, {}}}, std::string(62, 'n') + "\xE2\x80\xA6", u8"Мыло припёрло (2 шт.)!"},
      {{{1, "x", 30, many}}, u8"x (30 шт.)", "sender30 \xE2\x80\x94 subject\n"},
      {{{1, "x", 1, {letter{1, std::string(300, 's') + emoji, ""}}}}, u8"x (1 шт.)", std::string(254, 's') + "\xE2\x80\xA6"},
  };
  for (const Case& c : cases) {
    const BalloonText balloon = ComposeBalloon(c.news, "Мыло припёрло");
    EXPECT_EQ(c.title, balloon.Title);
    EXPECT_EQ(c.text, balloon.Text.substr(0, c.text.size())) << balloon.Text;
    EXPECT_LE(Utf16Length(balloon.Text), kBalloonTextUnits);
  }
  const std::string crowded = ComposeBalloon({{1, "x", 30, many}}, "").Text;
  const std::string tail = crowded.substr(crowded.rfind('\n') + 1);
  const size_t shown = static_cast<size_t>(std::count(crowded.begin(), crowded.end(), '\n'));
  EXPECT_EQ(u8"и ещё " + std::to_string(30 - shown) + "\xE2\x80\xA6", tail) << crowded;
}

// Beeps of 8 ms at 100 Hz for "!" only; a pause of one step after "!" and for
// "p"; steps and the whole melody bounded.
TEST(SpeakerPattern, PlaysMarksWithinBoundedSteps) {
  const std::string longest(99, '!'), marks(20, '!');
  struct Case {
    const char* what;
    const char* pattern;
    uint32_t stepMs;
    size_t beeps;
    uint64_t sleptMs;
  } cases[] = {
      {"other characters are silent", "!xp !p", 1, 2, 4},
      {"no pattern", nullptr, 100, 0, 0},
      {"a step of 4294967295 ms lasts two seconds", "!p", 0xFFFFFFFF, 1, 2 * kMaxStepMs},
      {"the longest pattern at the default step plays whole", longest.c_str(), 100, 99, 9900},
      {"the melody stops after thirty seconds", marks.c_str(), kMaxStepMs, 15, kMaxMelodyMs - 15 * 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host::Reset();
    PlaySpeakerPattern(c.pattern, c.stepMs);
    const auto sounds = host::Sounds();
    const auto pauses = host::Pauses();
    ASSERT_EQ(c.beeps, sounds.size());
    for (const uint32_t sound : sounds) EXPECT_EQ(100u, sound);
    EXPECT_EQ(c.sleptMs, std::accumulate(pauses.begin(), pauses.end(), uint64_t{0}));
  }
}

TEST_F(TrayTest, CloseAndEndOfSession) {
  using platform::MainEvent;
  const struct {
    MainEvent event;
    bool menuOpen, starting, ends;  // starting: a start-up question is open
  } cases[] = {{MainEvent::CloseRequest, false, false, true},
               {MainEvent::CloseRequest, true, false, false},
               {MainEvent::CloseRequest, false, true, false},
               {MainEvent::SessionEnds, true, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.event) << " " << c.menuOpen << " " << c.starting);
    Start();
    ASSERT_TRUE(!c.menuOpen || app_->EnterModal());
    if (c.starting) app_->Started = false;
    host::RaiseEvent(c.event);
    int code = -1;  // the stand-in leaves it unless the loop was told to end
    host::TakeQuitCode(&code);
    EXPECT_EQ(c.ends, host::TrayIcons().empty());
    EXPECT_EQ(c.ends, !!platform::OwnedClaim(platform::ClaimInstance("2 TandrellerApp", nullptr)))
        << "the running copy's claim is let go";
    EXPECT_TRUE(host::MessageBoxes().empty()) << "no question asked";
    EXPECT_EQ(c.ends ? 0 : -1, code);
    if (c.menuOpen) app_->LeaveModal();
  }
}

// Polls' results queued for the main thread when the exit is confirmed run after it, as may
// anything else still on its way: none of it shows, sounds, asks or starts anything.
TEST_F(TrayTest, AfterTheExitNothingChanges) {
  using platform::MainEvent;
  app_->Boxes.AddBox();
  Box(0).MsminRunMode = 1;
  Box(0).PublishCount(2);
  Box(1).PublishCount(1);
  const platform::Timer check = Box(0).CheckTimer.Get();
  ASSERT_TRUE(platform::PostToMainThread(OnCheckResult, nullptr));
  host::QueueMenuChoice(kExitId);  // and Yes to "Точно выход?"
  host::RaiseEvent(MainEvent::TrayRightClick);
  const int threads = host::ThreadStartCount();
  host::RunQueued();
  for (MainEvent event : {MainEvent::TrayMouseOver, MainEvent::TrayLeftClick, MainEvent::TrayRightClick,
                          MainEvent::TaskbarCreated, MainEvent::CloseRequest})
    host::RaiseEvent(event);
  host::RaiseEvent(MainEvent::Timer, check);
  EXPECT_TRUE(host::TrayIcons().empty()) << "the icon does not come back";
  EXPECT_TRUE(host::ShellCalls().empty()) << "the mail program does not start";
  EXPECT_EQ(threads, host::ThreadStartCount()) << "no alert, no poll";
  EXPECT_EQ(1u, host::MenusShown().size());
  EXPECT_EQ(1u, host::MessageBoxes().size()) << "nothing asked after the exit question";
}

std::vector<float> g_answers;  // SiteVersion as each answer of a check found it
void Answer(Application& app) { g_answers.push_back(app.SiteVersion); }

// Start-up's check finds a newer version. While the site has not answered: m mail arrives,
// n a poll finds none, a "О программе" asks too, c it closes, x the program ends; then s the
// site answers, r the mail is read, v the notice is opened and mail arrives while it is. Until the
// notice is seen it waves whenever no mail takes the envelope, and polls go on throughout.
TEST_F(TrayTest, TheVersionCheckHoldsNothingUpAndItsNoticeNeverHidesMail) {
  using State = TrayState;
  const struct {
    const char* what;
    bool mailInFirstDialog;
    const char* steps;
    TrayState state;
    bool tune, icon;
    size_t answers;
  } cases[] = {
      {"mail found in the first-start dialog stays", true, "s", State::NewMail, false, true, 0},
      {"the notice comes once the mail is read", true, "sr", State::NewVersion, true, true, 0},
      {"mail found during the check stays", false, "ms", State::NewMail, false, true, 0},
      {"a poll without mail keeps the question mark", false, "n", State::CheckingVersion, false, true, 0},
      {"mail found while the notice is open shows after it", false, "sv", State::NewMail, true, true, 0},
      {"About's check joins the running one", false, "as", State::NewVersion, true, true, 1},
      {"About closed before the answer", false, "acs", State::NewVersion, true, true, 0},
      {"after the exit the answer changes nothing", false, "axs", State::CheckingVersion, false, false, 0},
      {"the notice comes back until it is seen", false, "snmrvr", State::Quiet, true, true, 0},
  };
  using platform::MainEvent;
  const std::map<char, std::function<void()>> steps = {
      {'m', [this] { MailArrives(*app_); }},
      {'n', [this] { OnCheckResult(app_.get(), nullptr); }},
      {'a', [this] { app_->CheckNewVersion(Answer); }},
      {'c', [this] { app_->ForgetVersionAnswer(); }},
      {'x', [] { host::RaiseEvent(MainEvent::CloseRequest); }},
      {'s', [this] { SiteAnswers(); }},
      {'r', [] { host::RaiseEvent(MainEvent::TrayLeftClick); }},
      {'v', [] { host::RaiseEvent(MainEvent::TrayRightClick); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Start("9.99", c.mailInFirstDialog ? MailArrives : nullptr);
    app_->Dialogs.Version = MailArrives;
    g_answers.clear();
    ASSERT_EQ(c.mailInFirstDialog ? State::NewMail : State::CheckingVersion, Tray().State)
        << "start-up is through while the site has not answered";
    EXPECT_EQ(std::to_string(platform::CurrentTime()),
              Stored("Software\\Tandreller\\Settings", "LastCheckNewVer"));
    for (char step : std::string(c.steps)) steps.at(step)();
    EXPECT_EQ(c.state, Tray().State);
    EXPECT_EQ(c.icon, !host::TrayIcons().empty());
    EXPECT_EQ(c.tune ? 8u : 0u, host::Sounds().size()) << "the notice's tune of eight beeps, once";
    EXPECT_EQ(c.icon, !!Box(0).CheckTimer) << "polls go on until the exit";
    EXPECT_EQ(c.answers, g_answers.size());
    for (float version : g_answers) EXPECT_FLOAT_EQ(9.99f, version) << "one read answers both";
    SiteAnswers();
  }
}

}  // namespace
