#include "app/MainWindow.h"

intptr_t MainWindowProc(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return platform::DefaultWindowProc(window, message, wParam, lParam);
}
