#include "app/MainEvents.h"

#include <vector>

#include "app/Application.h"
#include "app/CheckThread.h"
#include "app/TrayClicks.h"
#include "app/TrayMenus.h"

namespace {

void OnTimer(Application& app, platform::Timer timer) {
  if (timer == app.Tray.Animation.Get()) {
    app.Tray.NextFrame();
    return;
  }
  Mailbox* box = app.Boxes.BoxByTimer(timer);
  if (box != nullptr) StartCheck(app, *box);
}

// The tray shows the outcome, and the balloon what is new, before any
// question about a mail program that would not start holds the thread.
void PublishResults(Application& app) {
  const std::vector<BoxNews> news = PublishPollResults(app);
  std::vector<int32_t> unstarted;
  if (app.ProcessCheckResults(unstarted)) {
    app.Tray.Calm();
  } else {
    app.Tray.SetState(TrayState::NewMail);
  }
  if (app.ShowBalloon != 0 && !news.empty()) app.Tray.ShowBalloon(ComposeBalloon(news, app.Prompt.c_str()));
  for (int32_t id : unstarted) OfferToMendMailProgram(app, id);
}

// Another program (the installer or uninstaller, say) asks the program to
// end: the exit menu's Shutdown without its question. Shutdown runs here on
// the main thread, so a settings save, which runs there too, has finished.
// While a menu, dialog or start-up question of ours is open the user is in
// the middle of something: the request is declined and the asker may try
// again.
void OnCloseRequest(Application& app) {
  if (!app.Started || !app.EnterModal()) return;
  app.LeaveModal();
  app.Shutdown();
}

}  // namespace

void OnCheckResult(void* application, void*) {
  Application& app = *static_cast<Application*>(application);
  if (!app.Ended) PublishResults(app);
}

void OnMainEvent(void* application, platform::MainEvent event, platform::Timer timer) {
  Application& app = *static_cast<Application*>(application);
  if (app.Ended) return;
  switch (event) {
    case platform::MainEvent::Timer:
      return OnTimer(app, timer);
    case platform::MainEvent::TrayMouseOver:
      return OnTrayMouseOver(app);
    case platform::MainEvent::TrayLeftClick:
    case platform::MainEvent::BalloonClick:
      return OnTrayLeftClick(app);
    case platform::MainEvent::TrayDoubleClick:
      return;
    case platform::MainEvent::TrayRightClick:
      return OnTrayRightClick(app);
    case platform::MainEvent::TaskbarCreated:
      return app.Tray.AddAgain();
    case platform::MainEvent::CloseRequest:
      return OnCloseRequest(app);
    case platform::MainEvent::SessionEnds:
      // The process is ended once this returns: no waiting for a dialog.
      return app.Shutdown();
  }
}
