// The program's entry point as Windows starts a GUI program.
#include <windows.h>

#include "app/EntryPoint.h"
#include "platform/win32/ComApartment.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The main thread opens mail programs and links through the shell.
  platform::win32::ComApartment apartment;
  return app::VestunMain(reinterpret_cast<platform::Module>(instance));
}
