// Starting a mailbox's mail program and acknowledging its new mail.
#pragma once

#include <cstdint>

class Mailbox;
class MailboxList;

// Starts the box's mail program, advances and stores the box's LastMsgDate
// in date mode, and clears the box's new mail, whether or not the program
// started. 1 when it started; 0 when its path is wrong, which the caller
// offers to mend once the box's own work here is done (a dialog in the
// middle would leave this function holding a box the user may delete).
// The program starts in showMode (RunMsminMode); the box is one of boxes,
// whose place in the list names its registry key.
int OpenMailProgram(const MailboxList& boxes, Mailbox& box, int32_t showMode);
