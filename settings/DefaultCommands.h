// The eight commands that stand in for the user's list until the user saves
// the settings for the first time.
#pragma once

#include "settings/Command.h"

// Appends the built-in commands to the list, in menu order.
void DefaultCommands(CommandList& list);
