#include "ui/Pages.h"
#include "ui/SettingsDialog.h"

namespace ui {

INT_PTR AntispamPage::OnCommand(int id, int, HWND) {
  if (id != IDOK) return FALSE;
  Frame.PassEnter();
  return TRUE;
}

}  // namespace ui
