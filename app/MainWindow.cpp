#include "app/MainWindow.h"

#include "app/Application.h"
#include "app/CheckThread.h"

namespace {

void OnTimer(Application& app, uintptr_t id) {
  if (id < static_cast<uintptr_t>(MailboxList::kFirstId) || id > INT32_MAX) return;
  Mailbox* box = app.Boxes.BoxById(static_cast<int32_t>(id));
  if (box != nullptr) StartCheck(app, *box);
}

void OnCheckResult(Application& app) {
  PublishPollResults(app);
  app.ProcessCheckResults();
}

}  // namespace

intptr_t MainWindowProc(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Application* app = Application::Current();
  if (app == nullptr) return platform::DefaultWindowProc(window, message, wParam, lParam);
  switch (message) {
    case platform::kMsgTimer:
      OnTimer(*app, wParam);
      return 0;
    case kMsgBoxHasMail:
    case kMsgBoxNoMail:
      OnCheckResult(*app);
      return 0;
    case kMsgTrayNotify:
      return 0;
    default:
      return platform::DefaultWindowProc(window, message, wParam, lParam);
  }
}
