// Message boxes.
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

UINT ButtonFlags(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::OkCancel: return MB_OKCANCEL;
    case BoxButtons::YesNo: return MB_YESNO;
    case BoxButtons::YesNoDefaultNo: return MB_YESNO | MB_DEFBUTTON2;
    case BoxButtons::Ok: break;
  }
  return MB_OK;
}

UINT IconFlags(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Information: return MB_ICONINFORMATION;
    case BoxIcon::Question: return MB_ICONQUESTION;
    case BoxIcon::Warning: return MB_ICONWARNING;
    case BoxIcon::Error: return MB_ICONERROR;
    case BoxIcon::None: break;
  }
  return 0;
}

BoxAnswer Show(Window owner, const char* text, const char* caption, UINT flags) {
  switch (MessageBoxW(win32::ToHwnd(owner), win32::Wide(text).c_str(), win32::Wide(caption).c_str(), flags)) {
    case IDOK: return BoxAnswer::Ok;
    case IDYES: return BoxAnswer::Yes;
    case IDNO: return BoxAnswer::No;
    // A box that could not be shown counts as dismissed.
    default: return BoxAnswer::Cancel;
  }
}

}  // namespace

BoxAnswer ShowMessageBox(Window owner, const char* text, const char* caption, BoxButtons buttons,
                         BoxIcon icon) {
  return Show(owner, text, caption, ButtonFlags(buttons) | IconFlags(icon));
}

// A system-modal box is topmost.
BoxAnswer ShowUrgentMessageBox(Window owner, const char* text, const char* caption, BoxButtons buttons,
                               BoxIcon icon) {
  return Show(owner, text, caption, ButtonFlags(buttons) | IconFlags(icon) | MB_SYSTEMMODAL);
}

}  // namespace platform
