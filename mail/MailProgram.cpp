#include "mail/MailProgram.h"

#include "mail/CommandRunner.h"
#include "mail/MailboxList.h"
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

int OpenMailProgram(const MailboxList& boxes, Mailbox& box, int32_t showMode) {
  const int started = RunCommandLine(box.MsminPath.Text(), showMode) != 0 ? 1 : 0;
  if (box.AcknowledgeNewMessages(CurrentTimeValue())) StoreLastMsgDate(boxes.IndexOfId(box.Id), box.LastMsgDate);
  box.ClearNewMail();
  return started;
}
