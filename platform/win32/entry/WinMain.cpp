// The program's entry point as Windows starts a GUI program.
#include <windows.h>

#include "app/EntryPoint.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return app::VestunMain(reinterpret_cast<platform::Module>(instance));
}
