// "Список новых писем": for now the headings of the list to come, opened
// above and left of the mouse, where the user right-clicked the envelope.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <string>

#include "app/Application.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"
#include "ui/CommonControls.h"
#include "ui/Dialog.h"
#include "ui/Dialogs.h"

namespace ui {
namespace {

struct Column {
  const char* Header;
  int Width;  // pixels at 96 DPI
};

const Column kColumns[] = {{"Размер", 53}, {"От", 120}, {"Тема", 180}, {"Получено", 62}};

void AddColumns(HWND list) {
  int index = 0;
  for (const Column& each : kColumns) {
    std::wstring header = platform::win32::Wide(each.Header);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = platform::DisplayPixels(each.Width);
    column.pszText = header.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&column));
  }
}

// The bottom-right corner at the cursor, but never off the screen's work
// area (the taskbar's corner is where the cursor usually is).
void PlaceAtCursor(HWND dialog) {
  POINT cursor = {};
  GetCursorPos(&cursor);
  RECT window = {};
  GetWindowRect(dialog, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const LONG left = std::max(work.left, std::min(cursor.x, work.right) - width);
  const LONG top = std::max(work.top, std::min(cursor.y, work.bottom) - height);
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class NewMailListDialog : public Dialog {
 public:
  explicit NewMailListDialog(Application& app) : Dialog(app) {}
  void Run() { RunModal(IDD_NEW_MAIL_LIST, nullptr); }

 private:
  INT_PTR OnInit() override {
    const HWND dialog = Window();
    if (App.Boxes.ShowsOldLetters()) ShowWindow(GetDlgItem(dialog, IDC_OLD_LETTERS), SW_SHOW);
    ShowSmallIcon();
    PlaceAtCursor(dialog);
    // Opened by a click on the tray icon, it must take the keyboard too.
    SetForegroundWindow(dialog);
    AddColumns(GetDlgItem(dialog, IDC_NEW_MAIL_LIST));
    return TRUE;
  }

  // Only "Прочитать" and "OK" (Escape, the Close command) do anything yet.
  INT_PTR OnCommand(int id, int, HWND) override {
    if (id != IDC_READ_LETTERS && id != IDCANCEL) return FALSE;
    EndDialog(Window(), id);
    return TRUE;
  }
};

}  // namespace

void RunNewMailListDialog(Application& app) {
  if (!RegisterCommonControls(ICC_LISTVIEW_CLASSES)) return;
  NewMailListDialog(app).Run();
}

}  // namespace ui
