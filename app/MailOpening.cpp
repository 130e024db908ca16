#include "app/MailOpening.h"

#include "app/Application.h"
#include "app/TrayMenus.h"
#include "mail/MailProgram.h"

void OpenMail(Application& app, Mailbox& box, std::vector<int32_t>* unstarted) {
  const int32_t id = box.Id;
  const bool started = OpenMailProgram(box, app.RunMsminMode);
  ClearSameProgram(app.Boxes, box.MsminPath.c_str());
  if (app.Boxes.FirstNewMailBox() == nullptr) app.Tray.Calm();
  if (started) return;
  if (unstarted != nullptr) {
    unstarted->push_back(id);
  } else {
    OfferToMendMailProgram(app, id);
  }
}
