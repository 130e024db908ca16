// Icons and menus from the module's resources, and popup menus.
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {

using win32::FromHicon;
using win32::FromHmenu;
using win32::ToHinstance;
using win32::ToHmenu;
using win32::ToHwnd;

Icon LoadIconResource(Module module, int resourceId, int size) {
  HANDLE icon = LoadImageW(ToHinstance(module), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, size, size,
                           LR_DEFAULTCOLOR);
  return FromHicon(static_cast<HICON>(icon));
}

int SmallIconSize() { return GetSystemMetrics(SM_CXSMICON); }

namespace {

void ReleaseScreen(HDC screen) { ReleaseDC(nullptr, screen); }

}  // namespace

int DisplayPixels(int pixelsAt96) {
  const Owned<HDC, ReleaseScreen> screen(GetDC(nullptr));
  const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 0;
  return MulDiv(pixelsAt96, dpi > 0 ? dpi : 96, 96);
}

Menu LoadMenuResource(Module module, int resourceId) {
  return FromHmenu(LoadMenuW(ToHinstance(module), MAKEINTRESOURCEW(resourceId)));
}

Menu CreatePopupMenuObject() { return FromHmenu(CreatePopupMenu()); }

Menu SubMenuAt(Menu menu, int position) {
  return menu ? FromHmenu(GetSubMenu(ToHmenu(menu), position)) : nullptr;
}

bool AppendMenuItem(Menu menu, uint32_t commandId, const char* text, ItemState state) {
  UINT flags = MF_STRING;
  if (state == ItemState::Checked) flags |= MF_CHECKED;
  // Grayed as well as disabled: a merely disabled item looks like an enabled one.
  if (state == ItemState::Disabled) flags |= MF_GRAYED;
  return menu && AppendMenuW(ToHmenu(menu), flags, commandId, win32::Wide(text).c_str());
}

bool AppendMenuSeparator(Menu menu) {
  return menu && AppendMenuW(ToHmenu(menu), MF_SEPARATOR, 0, nullptr);
}

bool AppendSubMenu(Menu menu, Menu subMenu, const char* text) {
  return menu && subMenu &&
         AppendMenuW(ToHmenu(menu), MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(ToHmenu(subMenu)),
                     win32::Wide(text).c_str());
}

uint32_t TrackMenu(Menu menu, Window owner) {
  if (!menu) return 0;
  POINT at{};
  GetCursorPos(&at);
  HWND hwnd = ToHwnd(owner);
  SetForegroundWindow(hwnd);
  const BOOL chosen =
      TrackPopupMenu(ToHmenu(menu), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
  // Without a message after the menu, a second right click on the tray
  // icon would show the menu only to close it at once.
  PostMessageW(hwnd, WM_NULL, 0, 0);
  return static_cast<uint32_t>(chosen);
}

void DestroyMenuObject(Menu menu) {
  if (menu) DestroyMenu(ToHmenu(menu));
}

}  // namespace platform
