#include "ui/Controls.h"

#include <vector>

#include "app/Application.h"
#include "platform/win32/Handles.h"

namespace ui {

void ReadField(HWND dialog, int id, String& text, int capacity) {
  std::vector<char> buffer(static_cast<size_t>(capacity), '\0');
  GetDlgItemTextA(dialog, id, buffer.data(), capacity);
  text = buffer.data();
}

void ShowField(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }

void ShowNumber(HWND dialog, int id, uint32_t number) { SetDlgItemInt(dialog, id, number, FALSE); }

bool Ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Tick(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

void Enable(HWND dialog, int id, bool on) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return;
  if (!on && GetFocus() == control) SendMessageA(GetParent(control), WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(control, on ? TRUE : FALSE);
}

void PutIcon(HWND dialog, int id, HICON icon) {
  SendDlgItemMessageA(dialog, id, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

void ShowSmallIcon(HWND dialog) {
  const HICON icon = platform::win32::ToHicon(Application::Current()->SmallIcon);
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

// The handle is let go before the window is destroyed: destroying it moves
// the focus, and what runs on that must not find the window still held.
void WindowHold::Reset(HWND window) {
  HWND old = Window;
  Window = window;
  if (old != nullptr && IsWindow(old)) DestroyWindow(old);
}

void HookHold::Reset(HHOOK hook) {
  if (Hook != nullptr) UnhookWindowsHookEx(Hook);
  Hook = hook;
}

}  // namespace ui
