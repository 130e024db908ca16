#include "app/TrayClicks.h"

#include "app/Application.h"
#include "app/MailOpening.h"
#include "app/TrayMenus.h"

void OnTrayRightClick(Application& app) {
  TrayNotifier& tray = app.Tray;
  switch (tray.State) {
    case TrayState::Quiet:
      ShowTrayMenu(app);
      break;
    case TrayState::NewVersion:
      tray.NoticeUnseen = false;
      OpenVersionDialog(app);
      // Mail found while the dialog was open is not hidden by its closing.
      tray.ShowMailOrCalm();
      break;
    case TrayState::NewMail:
      OpenNewMailListDialog(app);
      break;
    default:
      break;
  }
}

void OnTrayLeftClick(Application& app) {
  const TrayState state = app.Tray.State;
  if (state != TrayState::Quiet && state != TrayState::NewMail) return;
  MailboxList& boxes = app.Boxes;
  const int32_t enabled = boxes.CountEnabledBoxes();
  if (enabled > 1) {
    ShowBoxMenu(app, state == TrayState::NewMail);
    return;
  }
  if (enabled == 0) return;
  Mailbox* box = state == TrayState::Quiet ? boxes.FirstEnabledBox() : boxes.FirstNewMailBox();
  if (box != nullptr) OpenMail(app, *box);
}

void OnTrayMouseOver(Application& app) {
  if (app.Tray.State == TrayState::NewMail && app.Boxes.CountEnabledBoxes() > 1) ShowBoxMenu(app, true);
}
