// The notification-area icon.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

// The first, smallest layout: every shell since Windows 95 understands it,
// and the tip is limited to 63 bytes there.
NOTIFYICONDATAW Describe(Window window, uint32_t id) {
  NOTIFYICONDATAW data;
  std::memset(&data, 0, sizeof data);
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  data.hWnd = win32::ToHwnd(window);
  data.uID = id;
  return data;
}

bool Notify(DWORD command, const TrayIconData& icon) {
  NOTIFYICONDATAW data = Describe(icon.window, icon.id);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = icon.callbackMessage;
  data.hIcon = win32::ToHicon(icon.icon);
  const size_t room = 63;
  const std::wstring tip = win32::Wide(icon.tip, icon.tip ? strnlen(icon.tip, room) : 0);
  std::memcpy(data.szTip, tip.c_str(), (tip.size() + 1) * sizeof(wchar_t));
  return Shell_NotifyIconW(command, &data);
}

}  // namespace

bool TrayAdd(const TrayIconData& data) { return Notify(NIM_ADD, data); }

bool TrayModify(const TrayIconData& data) { return Notify(NIM_MODIFY, data); }

bool TrayDelete(Window window, uint32_t id) {
  NOTIFYICONDATAW data = Describe(window, id);
  return Shell_NotifyIconW(NIM_DELETE, &data);
}

}  // namespace platform
