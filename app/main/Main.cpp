// The process's one application object, built before the entry point runs
// and destroyed after it returns.
#include "app/Application.h"
#include "app/EntryPoint.h"
#include "ui/Dialogs.h"
#include "ui/SettingsDialog.h"

namespace {
Application g_application;
}

int app::VestunMain(platform::Module instance) {
  g_application.Dialogs.Settings = ui::RunSettingsDialog;
  g_application.Dialogs.About = ui::RunAboutDialog;
  g_application.Dialogs.Version = ui::RunVersionDialogAlone;
  g_application.Dialogs.NewMailList = ui::RunNewMailListDialog;
  return RunProgram(g_application, instance);
}
