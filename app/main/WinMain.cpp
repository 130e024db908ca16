// The program's entry as Windows starts a GUI program, and the process's
// one application object, built before it runs and destroyed after it
// returns. The dialogs are Windows-only; the portable code reaches them
// through the entries filled in here.
#include <windows.h>

#include "app/Application.h"
#include "app/EntryPoint.h"
#include "platform/Platform.h"
#include "platform/win32/ComApartment.h"
#include "ui/Dialogs.h"
#include "ui/SettingsDialog.h"

namespace {
Application g_application;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  platform::LimitLibrariesToSystemFolder();
  // The main thread opens mail programs and links through the shell.
  platform::win32::ComApartment apartment;
  g_application.Dialogs.Settings = ui::RunSettingsDialog;
  g_application.Dialogs.About = ui::RunAboutDialog;
  g_application.Dialogs.Version = ui::RunVersionDialogAlone;
  g_application.Dialogs.NewMailList = ui::RunNewMailListDialog;
  return app::RunProgram(g_application, reinterpret_cast<platform::Module>(instance));
}
