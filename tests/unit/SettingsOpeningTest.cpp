// The settings dialog opened from the middle of other work: on the first
// start, on a mail program that would not start (from each of the three ways
// a program is started), and while the dialog is open already.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "notify/AlertSound.h"
#include "app/TrayMenus.h"
#include "platform/host/HostControl.h"
#include "settings/SettingsStore.h"
#include "tests/unit/MessageLists.h"
#include "tests/unit/RegistryValues.h"

namespace {

struct Opening {
  int32_t Current, Tab;
  bool GuardFree;  // another menu could still take the modal guard
  bool TrayAndSoundsReady;
};
std::vector<Opening> g_openings;
// What the user does in the dialog.
std::function<void(Application&)> g_inDialog;

void RecordOpening(Application& app) {
  const bool free = app.EnterModal() != 0;
  if (free) app.LeaveModal();
  g_openings.push_back(
      {app.Boxes.Current, app.LastTabPos, free, !host::TrayIcons().empty() && app.SpeakerSlot});
  if (g_inDialog) g_inDialog(app);
}

// A first start, then two boxes with new mail; the first one's program is
// missing. The first start opens the settings on the incomplete box, with the
// tray icon and the alert slots there already for what "Тест" may do.
class SettingsOpeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::Reset();
    host::FailThreadStart(true);
    g_inDialog = nullptr;
    app_ = std::make_unique<Application>();
    app_->Dialogs.Settings = RecordOpening;
    g_openings.clear();
    ASSERT_EQ(1, app_->Init(nullptr));
    ASSERT_EQ(1u, g_openings.size());
    EXPECT_EQ(NumberOf(SettingsPage::Mailboxes), g_openings[0].Tab);
    EXPECT_TRUE(g_openings[0].TrayAndSoundsReady);
    EXPECT_FALSE(g_openings[0].GuardFree);
    app_->Boxes.AddBox();
    g_openings.clear();
    for (int i = 0; i < 2; ++i) {
      Mailbox& box = *app_->Boxes.At(i);
      box.MsminPath = i == 0 ? "missing.exe" : "mail.exe";
      box.TandrelMode = 0;
      GiveMessages(box, {1000 + i});
    }
    host::RefuseShellTarget("missing.exe");
  }
  std::unique_ptr<Application> app_;
};

// The box whose program failed is box 0, Id kFirstId. Whatever the user does
// to it in the dialog, its acknowledged date lands in its own key and the box
// is not touched once the dialog is closed (a deleted box would be freed).
TEST_F(SettingsOpeningTest, EachStarterAsksAndOpensTheBoxFoundAgainByItsId) {
  enum Starter { Automatic, LeftClick, BoxMenu };
  const struct {
    const char* what;
    Starter starter;
    std::function<void(Application&)> inDialog;
    int32_t keyOfFirstBox;  // its LastMsgDate's key afterwards, 0 for gone
  } cases[] = {
      {"automatic start, nothing changed", Automatic, nullptr, 1},
      {"automatic start, the box deleted", Automatic, [](Application& a) { a.Boxes.RemoveCurrent(); }, 0},
      {"automatic start, the box moved back", Automatic, [](Application& a) { a.Boxes.MoveBox(0, 1); }, 2},
      {"left click, the box deleted", LeftClick, [](Application& a) { a.Boxes.RemoveCurrent(); }, 0},
      {"box menu, the box moved back", BoxMenu, [](Application& a) { a.Boxes.MoveBox(0, 1); }, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    g_inDialog = [&](Application& app) {
      if (c.inDialog) c.inDialog(app);
      SaveSettings(app);
    };
    if (c.starter == Automatic) {
      app_->Boxes.At(0)->MsminRunMode = 1;
      OnCheckResult(nullptr);  // a poll's result reaches the main thread
    } else {
      app_->Tray.SetState(TrayState::NewMail);
      if (c.starter == LeftClick) app_->Boxes.At(1)->DoCheckBox = 0;
      if (c.starter == BoxMenu) host::QueueMenuChoice(MailboxList::kFirstId);
      host::RaiseEvent(platform::MainEvent::TrayLeftClick);
    }
    ASSERT_EQ(1u, host::MessageBoxes().size());
    EXPECT_EQ("Путь к почтовой программе указан не верно!\nХотите исправить?", host::MessageBoxes()[0]);
    ASSERT_EQ(1u, g_openings.size());
    EXPECT_EQ(NumberOf(SettingsPage::Mailboxes), g_openings[0].Tab);
    EXPECT_EQ(0, g_openings[0].Current);
    EXPECT_FALSE(g_openings[0].GuardFree);
    if (c.keyOfFirstBox != 0) {
      const std::string key = "Software\\Tandreller\\MailBoxes\\" + std::to_string(c.keyOfFirstBox);
      EXPECT_EQ("1000", Stored(key, "LastMsgDate"));
    }
    EXPECT_TRUE(app_->MendQuestions.empty());
  }
}

// A box that starts its program by itself gets mail while the settings are
// open on another box and page: the dialog comes forward and keeps both, or
// its next save would store the page into the wrong box.
TEST_F(SettingsOpeningTest, WhileTheDialogIsOpenItsBoxAndPageStay) {
  app_->Boxes.SetCurrent(1);
  app_->LastTabPos = NumberOf(SettingsPage::Commands);
  g_inDialog = [this](Application&) {
    g_inDialog = nullptr;
    app_->Boxes.At(0)->MsminRunMode = 1;
    OnCheckResult(nullptr);
  };
  OpenSettingsDialog(*app_);
  ASSERT_EQ(2u, g_openings.size()) << "the question's Yes brings the open dialog forward";
  EXPECT_EQ(1, g_openings[1].Current);
  EXPECT_EQ(NumberOf(SettingsPage::Commands), g_openings[1].Tab);
  EXPECT_FALSE(app_->SettingsOpen);
}

// While a box's question waits, its new results neither sound nor start its
// program again, nor ask once more.
TEST_F(SettingsOpeningTest, OneQuestionPerBox) {
  Mailbox& box = *app_->Boxes.At(0);
  box.MsminRunMode = 1;
  box.SoundMode = kSoundSpeaker;
  box.SpeakerStr = "!";
  app_->MendQuestions.push_back(MailboxList::kFirstId);
  host::FailThreadStart(false);
  OnCheckResult(nullptr);
  host::JoinStartedThreads();
  EXPECT_TRUE(host::MessageBoxes().empty());
  EXPECT_TRUE(host::ShellCalls().empty());
  EXPECT_EQ(TrayState::NewMail, app_->Tray.State) << "the mail shows on the envelope instead";
  EXPECT_EQ(1u, host::Sounds().size()) << "one alert, the envelope's";
}

}  // namespace
