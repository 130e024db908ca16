// Starting a mailbox's mail program and acknowledging its new mail.
#pragma once

class Application;
class Mailbox;

// Starts the box's mail program (asking to mend the path when it cannot be
// started), advances and stores the box's LastMsgDate in date mode, and
// clears the box's new mail, whether or not the program started. Returns 0.
int OpenMailProgram(Application& application, Mailbox& box);
