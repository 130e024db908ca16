// When the settings dialog opens by itself, and on what: the start-up prompt
// for incomplete boxes and a mail program that cannot start.
#include <gtest/gtest.h>

#include <vector>

#include "app/Application.h"
#include "mail/MailProgram.h"
#include "platform/host/HostControl.h"

namespace {

struct Opening {
  int32_t Current;
  int32_t Tab;
  bool GuardFree;  // another menu could still take the modal guard
};

std::vector<Opening> g_openings;
// Run by the first opening only, as a user adds boxes in the dialog.
void (*g_firstOpening)(Application&) = nullptr;

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
    app_.Dialogs.Settings = RecordOpening;
  }
  Application app_;
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
    app.Boxes.CurrentBox()->Login = "";
  };
  ASSERT_EQ(1, app_.Init(nullptr));
  ASSERT_EQ(2u, g_openings.size());
  EXPECT_EQ(0, g_openings[0].Current);
  EXPECT_EQ(2, g_openings[1].Current);
  EXPECT_EQ(Application::kMailboxPage, g_openings[1].Tab);
}

// The tray menu's opening is checked end to end.
TEST_F(SettingsOpeningTest, AMailProgramThatCannotStartOpensItsBoxUnderTheGuard) {
  ASSERT_EQ(1, app_.Init(nullptr));
  g_openings.clear();
  app_.Boxes.AddBox();
  Mailbox& first = *app_.Boxes.At(0);
  first.MsminPath = "missing.exe";
  host::RefuseShellTarget("missing.exe");
  host::QueueAnswer(platform::BoxAnswer::Yes);
  OpenMailProgram(app_, first);

  ASSERT_EQ(1u, g_openings.size());
  EXPECT_EQ(Application::kMailboxPage, g_openings[0].Tab);
  EXPECT_EQ(0, g_openings[0].Current);
  EXPECT_FALSE(g_openings[0].GuardFree);
}

}  // namespace
