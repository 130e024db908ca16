// Requests from outside to end the program: another program's close request
// and the end of the user's session.
#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Site.h"
#include "platform/host/HostControl.h"

TEST(MainWindowTest, CloseAndEndOfSession) {
  const struct {
    const char* what;
    platform::MainEvent event;
    bool menuOpen, starting, ends;
  } cases[] = {
      {"close request", platform::MainEvent::CloseRequest, false, false, true},
      {"close request while a menu is open", platform::MainEvent::CloseRequest, true, false, false},
      {"close request while a start-up question is open", platform::MainEvent::CloseRequest, false, true, false},
      {"session ends", platform::MainEvent::SessionEnds, false, false, true},
      {"session ends while a menu is open", platform::MainEvent::SessionEnds, true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host::Reset();
    host::FailThreadStart(true);
    Application app;
    ASSERT_EQ(1, app.Init(nullptr));
    ASSERT_TRUE(!c.menuOpen || app.EnterModal() == 1);
    if (c.starting) app.Started = false;
    const size_t boxesBefore = host::MessageBoxes().size();

    host::RaiseEvent(c.event);

    int code = -1;  // the stand-in leaves it unless the loop was told to end
    EXPECT_EQ(c.ends, host::TakeQuitCode(&code));
    EXPECT_EQ(c.ends, host::TrayIcons().empty());
    EXPECT_EQ(c.ends, host::ActiveTimers().empty());
    EXPECT_EQ(c.ends, !!platform::OwnedClaim(platform::ClaimInstance("2 TandrellerApp", nullptr)))
        << "the running copy's claim is let go";
    EXPECT_EQ(boxesBefore, host::MessageBoxes().size()) << "no question asked";
    EXPECT_EQ(c.ends ? 0 : -1, code);
    if (c.menuOpen) app.LeaveModal();
  }
}

// A newer version on the site leaves every box checked. Until its notice is
// seen, a poll without mail leaves the notice waving; mail takes over the
// envelope (a later check too leaves it), and the notice comes back once the
// mail is acknowledged.
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
