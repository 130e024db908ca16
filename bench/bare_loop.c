/* The yardstick of bench/memory.sh: what any program with a window and a
   message loop costs under Wine. One hidden window, as Vestun's main window
   is never shown, and nothing else. */
#include <windows.h>

static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  WNDCLASSW windowClass = {0};
  HWND window;
  MSG message;
  (void)previous;
  (void)command;
  (void)show;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"Bare loop class";
  if (!RegisterClassW(&windowClass)) return 1;
  window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, NULL, NULL, instance, NULL);
  if (window == NULL) return 1;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
