// The program's entry: start Winsock, initialise, run the message loop, and
// end in order.
#pragma once

#include "platform/Platform.h"

class Application;

namespace app {

// Runs the program on the given application object; returns the exit code
// (0 after a normal exit and after a failed start-up).
int RunProgram(Application& application, platform::Module instance);

// The real entry, called by the operating system's entry point with the
// program's module; runs the process's one application object.
int VestunMain(platform::Module instance);

}  // namespace app
