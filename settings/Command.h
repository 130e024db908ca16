// A user command of the tray menu: a caption and the command line it runs.
#pragma once

#include "common/OwnedList.h"
#include <string>

class Command {
 public:
  Command() = default;
  Command(const char* caption, const char* commandLine) : Caption(caption), CommandLine(commandLine) {}
  virtual ~Command() = default;

  std::string Caption;
  // Run by the command runner; the empty text opens the commands settings.
  std::string CommandLine;
};

// The tray menu's commands in menu order; position i is registry subkey i + 1.
using CommandList = OwnedList<Command>;
