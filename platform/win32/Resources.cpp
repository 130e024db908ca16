// Icons from the module's resources, and the display's scale.
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {

using win32::FromHicon;
using win32::ToHinstance;

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

}  // namespace platform
