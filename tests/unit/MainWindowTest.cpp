// Requests from outside to end the program: another program's close request
// and the end of the user's session.
#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Site.h"
#include "platform/host/HostControl.h"

TEST(MainWindowTest, CloseAndEndOfSession) {
  using platform::MainEvent;
  const struct {
    MainEvent event;
    bool menuOpen, starting, ends;  // starting: a start-up question is open
  } cases[] = {{MainEvent::CloseRequest, false, false, true},
               {MainEvent::CloseRequest, true, false, false},
               {MainEvent::CloseRequest, false, true, false},
               {MainEvent::SessionEnds, false, false, true},
               {MainEvent::SessionEnds, true, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.event == MainEvent::CloseRequest ? "close" : "session ends")
                                    << (c.menuOpen ? ", a menu open" : "")
                                    << (c.starting ? ", starting" : ""));
    host::Reset();
    host::FailThreadStart(true);
    Application app;
    ASSERT_EQ(1, app.Init(nullptr));
    ASSERT_TRUE(!c.menuOpen || app.EnterModal() == 1);
    if (c.starting) app.Started = false;
    const size_t boxesBefore = host::MessageBoxes().size();
    host::RaiseEvent(c.event);
    int code = -1;  // the stand-in leaves it unless the loop was told to end
    host::TakeQuitCode(&code);
    EXPECT_EQ(c.ends, host::TrayIcons().empty());
    EXPECT_EQ(c.ends, host::ActiveTimers().empty());
    EXPECT_EQ(c.ends, !!platform::OwnedClaim(platform::ClaimInstance("2 TandrellerApp", nullptr)))
        << "the running copy's claim is let go";
    EXPECT_EQ(boxesBefore, host::MessageBoxes().size()) << "no question asked";
    EXPECT_EQ(c.ends ? 0 : -1, code);
    if (c.menuOpen) app.LeaveModal();
  }
}

// Until a newer version's notice is seen, polls go on and it waves whenever no mail takes the envelope.
TEST(MainWindowTest, ANewerVersionKeepsCheckingAndItsNotice) {
  host::Reset();
  host::FailThreadStart(true);
  host::ServeUrl(site::kVersionFile, "9.99");
  Application app;
  ASSERT_EQ(1, app.Init(nullptr));
  ASSERT_EQ(TrayState::NewVersion, app.Tray.State);
  EXPECT_EQ((std::vector<uintptr_t>{TrayNotifier::kAnimationTimerId, 11024}), host::ActiveTimers());
  const auto result = [] { OnCheckResult(nullptr); };
  result();
  EXPECT_EQ(TrayState::NewVersion, app.Tray.State);
  app.Boxes.At(0)->PublishCount(1);
  result();
  EXPECT_EQ(TrayState::NewMail, app.Tray.State);
  app.CheckNewVersion();
  EXPECT_EQ(TrayState::NewMail, app.Tray.State) << "a check from About leaves waiting mail shown";
  const size_t sounds = host::Sounds().size();
  host::RaiseEvent(platform::MainEvent::TrayLeftClick);
  EXPECT_EQ(TrayState::NewVersion, app.Tray.State);
  EXPECT_EQ(sounds, host::Sounds().size()) << "the notice's tune played once";
  host::RaiseEvent(platform::MainEvent::TrayRightClick);
  result();
  EXPECT_EQ(TrayState::Quiet, app.Tray.State);
}
