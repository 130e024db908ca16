// Moving the application's settings, mailboxes and commands between memory
// and the settings store.
#pragma once

#include <cstdint>

class Application;

// At most this many mailboxes and commands are loaded, whatever BoxesCount
// and CommandCount say: the tray menu has command ids for 1000 commands, and
// boxes get the same cap. The stored counts are left as they are.
constexpr int32_t kMaxListEntries = 1000;

// Fills the application object from the store, saving every missing value
// with its default (so the first start creates the whole tree); each box
// learns the number of the section it came from (Mailbox::KeyNumber). False
// only when the program's section can neither be opened nor created (its
// message has then been shown); start-up ends.
bool LoadSettings(Application& application);

// Saves what the settings dialog can change: the settings, every mailbox
// and every command, in list order; the section of a box's place becomes its
// own, and its LastMsgDate goes there with it. LastCheckNewVer and
// LastCensusYear belong to the steps that change them and are not saved
// here. Reports problems only through its messages.
void SaveSettings(Application& application);
