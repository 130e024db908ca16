// A user command of the tray menu: a caption and the command line it runs.
#pragma once

#include <string>
#include <vector>

struct Command {
  std::string Caption;
  // Run by the command runner; the empty text opens the commands settings.
  std::string CommandLine;
};

// The tray menu's commands in menu order; position i is registry subkey i + 1.
using CommandList = std::vector<Command>;
