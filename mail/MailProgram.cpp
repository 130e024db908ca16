#include "mail/MailProgram.h"

#include "app/Application.h"
#include "mail/CommandRunner.h"
#include "mail/TimeScale.h"
#include "settings/RegistryAccess.h"

namespace {

void StoreLastMsgDate(int32_t index, int32_t date) {
  if (index < 0) return;
  platform::OwnedKey key = registry::OpenOrCreateNumberedKey(registry::kMailBoxesPrefix, index + 1);
  if (!key) return;
  registry::WriteDwordValue(key, "LastMsgDate", date);
}

}  // namespace

int OpenMailProgram(Application& app, Mailbox& box) {
  const int started = RunCommandLine(box.MsminPath.Text(), app.RunMsminMode) != 0 ? 1 : 0;
  if (box.AcknowledgeNewMessages(CurrentTimeValue())) StoreLastMsgDate(app.Boxes.IndexOfId(box.Id), box.LastMsgDate);
  box.ClearNewMail();
  return started;
}
