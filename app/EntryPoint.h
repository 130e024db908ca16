// The program's run: initialise, run the main loop, and end in order.
#pragma once

#include "platform/Platform.h"

class Application;

namespace app {

// Runs the program on the given application object; returns the exit code
// (0 after a normal exit and after a failed start-up).
int RunProgram(Application& application, platform::Module instance);

}  // namespace app
