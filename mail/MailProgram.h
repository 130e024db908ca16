// Starting a mailbox's mail program and acknowledging its new mail.
#pragma once

class Application;
class Mailbox;

// Starts the box's mail program, advances and stores the box's LastMsgDate
// in date mode, and clears the box's new mail, whether or not the program
// started. 1 when it started; 0 when its path is wrong, which the caller
// offers to mend once the box's own work here is done (a dialog in the
// middle would leave this function holding a box the user may delete).
int OpenMailProgram(Application& application, Mailbox& box);
