#include "mail/MailProgram.h"

#include "mail/CommandRunner.h"
#include "mail/MailboxList.h"
#include "mail/TimeScale.h"
#include "settings/SettingsSection.h"

namespace {

// A box never stored has no section yet: the next save stores its date with the rest.
void StoreLastMsgDate(const Mailbox& box) {
  if (box.KeyNumber <= 0) return;
  SettingsSection::OfMailbox(box.KeyNumber).Save("LastMsgDate", box.LastMsgDate);
}

}  // namespace

void AcknowledgeBox(Mailbox& box) {
  if (box.AcknowledgeNewMessages(CurrentTimeValue())) StoreLastMsgDate(box);
  box.ClearNewMail();
}

bool OpenMailProgram(Mailbox& box, int32_t showMode) {
  const bool started = RunCommandLine(box.MsminPath.c_str(), showMode);
  AcknowledgeBox(box);
  return started;
}

void ClearSameProgram(MailboxList& boxes, const char* path) {
  for (int32_t i = 0; i < boxes.Count(); ++i) {
    Mailbox& box = *boxes.At(i);
    if (box.DoCheckBox != 0 && box.IsTheSameMsmin != 0 && box.MsminPath == path) {
      AcknowledgeBox(box);
    }
  }
}
