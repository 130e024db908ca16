#include "mail/MailProgram.h"

#include "mail/CommandRunner.h"
#include "mail/MailboxList.h"
#include "mail/MailboxSettings.h"
#include "mail/TimeScale.h"

void AcknowledgeBox(Mailbox& box) {
  if (box.AcknowledgeNewMessages(CurrentTimeValue())) SaveLastMsgDate(box);
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
