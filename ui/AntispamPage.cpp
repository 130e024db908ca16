#include "ui/Pages.h"

namespace ui {

// "Антиспам" shows two empty lists and does nothing else yet.
INT_PTR CALLBACK AntispamPageProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    PassEnterToFrame();
    return TRUE;
  }
  return FALSE;
}

}  // namespace ui
