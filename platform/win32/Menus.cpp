// Popup menus, built for one showing and destroyed once it is answered.
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {

namespace {

void DestroyPopup(HMENU menu) { DestroyMenu(menu); }

bool AppendItem(HMENU menu, const MenuItem& item) {
  if (item.commandId == 0) return AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE;
  UINT flags = MF_STRING;
  if (item.state == ItemState::Checked) flags |= MF_CHECKED;
  // Grayed as well as disabled: a merely disabled item looks like an enabled one.
  if (item.state == ItemState::Disabled) flags |= MF_GRAYED;
  return AppendMenuW(menu, flags, item.commandId, win32::Wide(item.text).c_str()) != FALSE;
}

}  // namespace

uint32_t ShowPopupMenu(const MenuItem* items, size_t count, Window owner) {
  const Owned<HMENU, DestroyPopup> menu(CreatePopupMenu());
  if (!menu) return 0;
  for (size_t i = 0; i < count; ++i) {
    if (!AppendItem(menu.Get(), items[i])) return 0;
  }
  POINT at{};
  GetCursorPos(&at);
  HWND hwnd = win32::ToHwnd(owner);
  // The owner comes to the foreground first, or the menu would not close
  // when the user clicks elsewhere.
  SetForegroundWindow(hwnd);
  const BOOL chosen =
      TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
  // Without a message after the menu, a second right click on the tray
  // icon would show the menu only to close it at once.
  PostMessageW(hwnd, WM_NULL, 0, 0);
  return static_cast<uint32_t>(chosen);
}

}  // namespace platform
