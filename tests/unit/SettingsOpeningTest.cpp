#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/ApplicationSettings.h"
#include "app/MainEvents.h"
#include "app/TrayMenus.h"
#include "notify/AlertSound.h"
#include "platform/host/HostControl.h"
#include "tests/support/MessageLists.h"
#include "tests/support/RegistryValues.h"

namespace {

// Each opening as "box B, page P", then whether another menu could still take
// the modal guard, and whether the tray icon and the alert slots are there.
std::vector<std::string> g_openings;
std::function<void(Application&)> g_inDialog;  // what the user does in the dialog

void RecordOpening(Application& app) {
  const bool free = app.EnterModal();
  if (free) app.LeaveModal();
  g_openings.push_back("box " + std::to_string(app.Boxes.Current) + ", page " +
                       std::to_string(app.LastTabPos) + (free ? ", guard free" : "") +
                       (!host::TrayIcons().empty() && app.SpeakerSlot ? ", ready" : ""));
  if (g_inDialog) g_inDialog(app);
}

class SettingsOpeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::Reset();
    host::FailThreadStart(true);
    g_inDialog = nullptr;
    app_ = std::make_unique<Application>();
    app_->Dialogs.Settings = RecordOpening;
    g_openings.clear();
    ASSERT_TRUE(app_->Init(nullptr));
    EXPECT_EQ(std::vector<std::string>{"box 0, page 1, ready"}, g_openings)
        << "ready for what \"Тест\" may do";
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

// Whatever the user does to the box whose program failed, its acknowledged date
// lands in its own key, and the box, perhaps freed, is not touched after the dialog.
TEST_F(SettingsOpeningTest, EachStarterAsksAndOpensTheBoxFoundAgainByItsId) {
  // Started (a)utomatically, by a (l)eft click or from the (b)ox menu; the box (d)eleted or (m)oved back.
  for (const std::string c : {"ad", "am", "ld", "bm"}) {
    SCOPED_TRACE(c);
    SetUp();
    const bool deleted = c[1] == 'd';
    g_inDialog = [&](Application& app) {
      deleted ? app.Boxes.RemoveCurrent() : app.Boxes.MoveBox(0, 1);
      SaveSettings(app);
    };
    if (c[0] == 'a') {
      app_->Boxes.At(0)->MsminRunMode = 1;
      OnCheckResult(app_.get(), nullptr);  // a poll's result reaches the main thread
    } else {
      app_->Tray.SetState(TrayState::NewMail);
      if (c[0] == 'l') app_->Boxes.At(1)->DoCheckBox = 0;
      if (c[0] == 'b') host::QueueMenuChoice(MailboxList::kFirstId);
      host::RaiseEvent(platform::MainEvent::TrayLeftClick);
    }
    ASSERT_EQ(1u, host::MessageBoxes().size());
    EXPECT_EQ("Путь к почтовой программе указан не верно!\nХотите исправить?", host::MessageBoxes()[0]);
    EXPECT_EQ(std::vector<std::string>{"box 0, page 1, ready"}, g_openings);
    const std::string key = "Software\\Tandreller\\MailBoxes\\" + std::string(deleted ? "1" : "2");
    EXPECT_EQ(deleted ? "0" : "1000", Stored(key, "LastMsgDate")) << "the other box's stays";
    EXPECT_TRUE(app_->MendQuestions.empty());
  }
}

// Mail for a box that starts its program, while the dialog is open on another box and
// page: it comes forward keeping both, or its next save would store the page into the wrong box.
TEST_F(SettingsOpeningTest, WhileTheDialogIsOpenItsBoxAndPageStay) {
  app_->Boxes.SetCurrent(1);
  app_->LastTabPos = NumberOf(SettingsPage::Commands);
  g_inDialog = [this](Application&) {
    g_inDialog = nullptr;
    app_->Boxes.At(0)->MsminRunMode = 1;
    OnCheckResult(app_.get(), nullptr);
    EXPECT_TRUE(app_->SettingsOpen) << "the dialog brought forward is still the open one";
  };
  OpenSettingsDialog(*app_);
  EXPECT_EQ((std::vector<std::string>{"box 1, page 2, ready", "box 1, page 2, ready"}), g_openings)
      << "the question's Yes brings the open dialog forward";
}

// While a box's question waits, its new results neither sound, nor start its program, nor ask.
TEST_F(SettingsOpeningTest, OneQuestionPerBox) {
  Mailbox& box = *app_->Boxes.At(0);
  box.MsminRunMode = 1;
  box.SoundMode = kSoundSpeaker;
  box.SpeakerStr = "!";
  app_->MendQuestions.push_back(MailboxList::kFirstId);
  host::FailThreadStart(false);
  OnCheckResult(app_.get(), nullptr);
  host::JoinStartedThreads();
  EXPECT_TRUE(host::ShellCalls().empty());
  EXPECT_EQ(TrayState::NewMail, app_->Tray.State) << "the mail shows on the envelope instead";
  EXPECT_EQ(1u, host::Sounds().size()) << "one alert, the envelope's";
}

}  // namespace
