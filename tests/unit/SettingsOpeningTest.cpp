// A mail program that cannot start opens the settings dialog on its box. The
// start-up prompt for incomplete boxes is checked end to end.
#include <gtest/gtest.h>

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

void RecordOpening(Application& app) {
  const bool free = app.EnterModal() != 0;
  if (free) app.LeaveModal();
  g_openings.push_back({app.Boxes.Current, app.LastTabPos, free});
}

// A Yes to mending opens the dialog on the box, under the guard; the mail is
// acknowledged all the same.
TEST(SettingsOpening, AMailProgramThatCannotStartOpensItsBox) {
  for (const char* program : {"", "missing.exe"}) {
    SCOPED_TRACE(program);
    host::Reset();
    host::FailThreadStart(true);
    Application app;
    app.Dialogs.Settings = RecordOpening;
    ASSERT_EQ(1, app.Init(nullptr));
    g_openings.clear();
    app.Boxes.AddBox();
    Mailbox& first = *app.Boxes.At(0);
    first.MsminPath = program;
    first.TandrelMode = 0;
    GiveMessages(first, {1000});
    host::RefuseShellTarget("missing.exe");
    host::QueueAnswer(platform::BoxAnswer::Yes);
    OpenMailProgram(app, first);
    ASSERT_EQ(1u, g_openings.size());
    EXPECT_EQ(Application::kMailboxPage, g_openings[0].Tab);
    EXPECT_EQ(0, g_openings[0].Current);
    EXPECT_FALSE(g_openings[0].GuardFree);
    EXPECT_EQ(1000, first.LastMsgDate);
    EXPECT_EQ(0, first.NewMailCount());
  }
}

}  // namespace
