// When the settings dialog opens by itself, and on what: the start-up prompt
// for incomplete boxes and a mail program that cannot start.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/Application.h"
#include "mail/MailProgram.h"
#include "platform/host/HostControl.h"
#include "tests/unit/MessageLists.h"

namespace {

struct Opening {
  int32_t Current, Tab;
  bool GuardFree;  // another menu could still take the modal guard
};

std::vector<Opening> g_openings;
void (*g_firstOpening)(Application&) = nullptr;  // as a user adds boxes in the dialog

void RecordOpening(Application& app) {
  const bool free = app.EnterModal() != 0;
  if (free) app.LeaveModal();
  g_openings.push_back({app.Boxes.Current, app.LastTabPos, free});
  if (g_openings.size() == 1 && g_firstOpening != nullptr) g_firstOpening(app);
}

void FillBox(Mailbox& box) {
  box.PopServerName = "127.0.0.1";
  box.Login = "user";
  box.Password = "secret";
}

class SettingsOpeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::Reset();
    host::FailThreadStart(true);
    g_openings.clear();
    g_firstOpening = nullptr;
    app_ = std::make_unique<Application>();
    app_->Dialogs.Settings = RecordOpening;
  }
  std::unique_ptr<Application> app_;
};

// The default box of a first start lacks everything; boxes added in the
// dialog are looked at too, complete ones skipped.
TEST_F(SettingsOpeningTest, StartUpOpensTheDialogOnEveryIncompleteBox) {
  g_firstOpening = [](Application& app) {
    app.LastTabPos = 0;
    FillBox(*app.Boxes.At(0));
    app.Boxes.AddBox();
    FillBox(*app.Boxes.CurrentBox());
    app.Boxes.AddBox();
  };
  ASSERT_EQ(1, app_->Init(nullptr));
  ASSERT_EQ(2u, g_openings.size());
  EXPECT_EQ(0, g_openings[0].Current);
  EXPECT_EQ(2, g_openings[1].Current);
  EXPECT_EQ(Application::kMailboxPage, g_openings[1].Tab);
}

// A Yes to mending opens the dialog on the box, under the guard; the mail is
// acknowledged all the same.
TEST_F(SettingsOpeningTest, AMailProgramThatCannotStartOpensItsBox) {
  for (const char* program : {"", "missing.exe"}) {
    SCOPED_TRACE(program);
    SetUp();
    ASSERT_EQ(1, app_->Init(nullptr));
    g_openings.clear();
    app_->Boxes.AddBox();
    Mailbox& first = *app_->Boxes.At(0);
    first.MsminPath = program;
    first.TandrelMode = 0;
    GiveMessages(first, {1000});
    host::RefuseShellTarget("missing.exe");
    host::QueueAnswer(platform::BoxAnswer::Yes);
    OpenMailProgram(*app_, first);
    ASSERT_EQ(1u, g_openings.size());
    EXPECT_EQ(Application::kMailboxPage, g_openings[0].Tab);
    EXPECT_EQ(0, g_openings[0].Current);
    EXPECT_FALSE(g_openings[0].GuardFree);
    EXPECT_EQ(1000, first.LastMsgDate);
    EXPECT_EQ(0, first.NewMailCount());
  }
}

}  // namespace
