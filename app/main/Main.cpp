// The process's one application object, built before the entry point runs
// and destroyed after it returns.
#include "app/Application.h"
#include "app/EntryPoint.h"

namespace {
Application g_application;
}

int app::VestunMain(platform::Module instance) { return RunProgram(g_application, instance); }
