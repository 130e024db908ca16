// The one way the program starts anything: programs, documents, web
// addresses and mailto: links.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

// The target and the parameters each get at most this many characters.
constexpr size_t kMaxCommandPart = 499;

struct CommandParts {
  char Target[kMaxCommandPart + 1];
  char Params[kMaxCommandPart + 1];
};

enum class SplitResult { Ok, Nothing, TooLong };

// Splits a command line into its target and its parameters. A target that
// starts with a double quote runs to the next double quote, blanks included;
// otherwise it ends at the first blank. Blanks after the target are skipped;
// the rest, quotes and all, is the parameters. Nothing to run (no text, the
// empty text, or the two quotes that mean "no mail program"): Nothing. A
// target or parameters longer than kMaxCommandPart: TooLong, since cutting
// either would start something other than what the line says.
SplitResult SplitCommandLine(const char* line, CommandParts& parts);

// The window state RunMsminMode names: 1 normal, 2 minimised, anything else
// maximised.
platform::ShowMode ShowModeFor(int32_t runMsminMode);

// Splits the line and asks the shell to open the target. True when the shell
// reports success; false otherwise and for every refusal above.
bool RunCommandLine(const char* line, int32_t runMsminMode);
