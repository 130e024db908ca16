// The mailboxes in the settings store: the N-th box of the list in the
// section of mailbox N.
#pragma once

#include <cstdint>

class Mailbox;
class MailboxList;

// Loads `count` boxes: the first into the box the list holds, the others
// appended. A missing value is saved with its default. Each box learns the
// number of the section it came from (Mailbox::KeyNumber); one whose
// section cannot be opened keeps its defaults. Stops when memory for a box
// runs out.
void LoadBoxes(MailboxList& boxes, int32_t count);

// Saves every box in the section of its place, which becomes its own, with
// its LastMsgDate. A box whose section could not be opened has none of its
// own any more: the one it had may hold another box now.
void SaveBoxes(MailboxList& boxes);

// Saves the box's LastMsgDate in its own section, when it has one yet.
void SaveLastMsgDate(const Mailbox& box);
