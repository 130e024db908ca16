// The process's one application object, built before the entry point runs
// and destroyed after it returns.
#include "app/Application.h"
#include "app/EntryPoint.h"
#include "ui/SettingsDialog.h"

namespace {
Application g_application;
}

int app::VestunMain(platform::Module instance) {
  g_application.Dialogs.Settings = ui::RunSettingsDialog;
  return RunProgram(g_application, instance);
}
