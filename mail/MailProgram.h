// Starting a mailbox's mail program and acknowledging its new mail.
#pragma once

#include <cstdint>

class Mailbox;
class MailboxList;

// The user has seen the box's new mail: in date mode LastMsgDate advances to
// the latest acknowledged date (Mailbox::AcknowledgeNewMessages) and is
// saved in the box's own settings section, if it has one yet; then the box's
// new mail is cleared.
void AcknowledgeBox(Mailbox& box);

// Starts the box's mail program and acknowledges the box, whether or not the
// program started. True when it started; false when its path is wrong, which
// the caller offers to mend once the box's own work here is done (a dialog in
// the middle would leave this function holding a box the user may delete).
// The program starts in showMode (RunMsminMode).
bool OpenMailProgram(Mailbox& box, int32_t showMode);

// The program at `path` was opened: every enabled box marked IsTheSameMsmin
// whose MsminPath is exactly this one is acknowledged too, as it shows
// their mail as well.
void ClearSameProgram(MailboxList& boxes, const char* path);
