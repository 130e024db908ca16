#include "app/MainWindow.h"

#include <vector>

#include "app/Application.h"
#include "app/CheckThread.h"
#include "app/TrayClicks.h"
#include "app/TrayMenus.h"

namespace {

void OnTimer(Application& app, uintptr_t id) {
  if (id < static_cast<uintptr_t>(MailboxList::kFirstId) || id > INT32_MAX) return;
  Mailbox* box = app.Boxes.BoxById(static_cast<int32_t>(id));
  if (box != nullptr) StartCheck(app, *box);
}

// The tray shows the outcome before any question about a mail program
// that would not start holds the thread.
void OnCheckResult(Application& app) {
  PublishPollResults(app);
  std::vector<int32_t> unstarted;
  if (app.ProcessCheckResults(unstarted)) {
    app.Tray.Calm();
  } else {
    app.Tray.SetState(TrayState::NewMail);
  }
  for (int32_t id : unstarted) OfferToMendMailProgram(app, id);
}

void OnTrayMouse(Application& app, uint32_t mouseMessage) {
  switch (mouseMessage) {
    case platform::kMsgMouseMove:
      OnTrayMouseOver(app);
      break;
    case platform::kMsgLeftButtonDown:
      OnTrayLeftClick(app);
      break;
    case platform::kMsgRightButtonDown:
      OnTrayRightClick(app);
      break;
    default:
      break;
  }
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

intptr_t MainWindowProc(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Application* app = Application::Current();
  if (app == nullptr) return platform::DefaultWindowProc(window, message, wParam, lParam);
  if (message == app->TaskbarCreatedMessage && message != 0) {
    app->Tray.AddAgain();
    return 0;
  }
  switch (message) {
    case platform::kMsgTimer:
      OnTimer(*app, wParam);
      return 0;
    case kMsgBoxHasMail:
    case kMsgBoxNoMail:
      OnCheckResult(*app);
      return 0;
    case kMsgTrayNotify:
      OnTrayMouse(*app, static_cast<uint32_t>(lParam) & 0xFFFF);
      return 0;
    case platform::kMsgClose:
      OnCloseRequest(*app);
      return 0;
    case platform::kMsgEndSession:
      // Windows ends the process once this returns: no waiting for a dialog.
      if (wParam != 0) app->Shutdown();
      return 0;
    default:
      return platform::DefaultWindowProc(window, message, wParam, lParam);
  }
}
