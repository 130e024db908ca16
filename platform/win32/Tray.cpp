// The notification-area icon.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "platform/win32/Handles.h"

namespace platform {
namespace {

// The first, smallest layout: every shell since Windows 95 understands it,
// and the tip is limited to 63 bytes there.
NOTIFYICONDATAA Describe(Window window, uint32_t id) {
  NOTIFYICONDATAA data;
  std::memset(&data, 0, sizeof data);
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = win32::ToHwnd(window);
  data.uID = id;
  return data;
}

bool Notify(DWORD command, const TrayIconData& icon) {
  NOTIFYICONDATAA data = Describe(icon.window, icon.id);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = icon.callbackMessage;
  data.hIcon = win32::ToHicon(icon.icon);
  const size_t room = 63;
  const size_t length = icon.tip ? strnlen(icon.tip, room) : 0;
  std::memcpy(data.szTip, icon.tip ? icon.tip : "", length);
  data.szTip[length] = '\0';
  return Shell_NotifyIconA(command, &data);
}

}  // namespace

bool TrayAdd(const TrayIconData& data) { return Notify(NIM_ADD, data); }

bool TrayModify(const TrayIconData& data) { return Notify(NIM_MODIFY, data); }

bool TrayDelete(Window window, uint32_t id) {
  NOTIFYICONDATAA data = Describe(window, id);
  return Shell_NotifyIconA(NIM_DELETE, &data);
}

}  // namespace platform
