// The tray menu's commands in the settings store: the N-th command of the
// list in the section of command N.
#pragma once

#include <cstdint>

#include "settings/Command.h"

// Appends `count` commands. A value a command's section lacks is saved
// with the caption and the command line that ask the user to mend it; a
// command whose section cannot be opened keeps them.
void LoadCommands(CommandList& commands, int32_t count);

// Saves the commands in list order.
void SaveCommands(const CommandList& commands);
