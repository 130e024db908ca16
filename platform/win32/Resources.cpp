// Icons from the module's resources, and the display's scale.
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"

namespace platform {

using win32::FromHicon;
using win32::ToHinstance;

namespace {

int ResourceOf(IconName name) {
  switch (name) {
    case IconName::Envelope: return IDI_ENVELOPE;
    case IconName::NewYearEnvelope: return IDI_ENVELOPE_NEW_YEAR;
    case IconName::ShieldEnvelope: return IDI_ENVELOPE_SHIELD;
    case IconName::FlowersEnvelope: return IDI_ENVELOPE_FLOWERS;
    case IconName::JumpTiltedRight: return IDI_ENVELOPE_JUMP1;
    case IconName::JumpUp: return IDI_ENVELOPE_JUMP2;
    case IconName::JumpTiltedLeft: return IDI_ENVELOPE_JUMP3;
    case IconName::NewsUpright: return IDI_ENVELOPE_ALERT1;
    case IconName::NewsLeaningLeft: return IDI_ENVELOPE_ALERT4;
    case IconName::NewsHoppedUp: return IDI_ENVELOPE_ALERT2;
    case IconName::NewsLeaningRight: return IDI_ENVELOPE_ALERT3;
    case IconName::QuestionEnvelope: return IDI_ENVELOPE_QUESTION;
    case IconName::NextButton: return IDI_BUTTON_NEXT;
    case IconName::PreviousButton: return IDI_BUTTON_PREVIOUS;
    case IconName::FirstButton: return IDI_BUTTON_FIRST;
    case IconName::LastButton: return IDI_BUTTON_LAST;
    case IconName::AddButton: return IDI_BUTTON_ADD;
    case IconName::DeleteButton: return IDI_BUTTON_DELETE;
    case IconName::MoveUpButton: return IDI_BUTTON_MOVE_UP;
    case IconName::MoveDownButton: return IDI_BUTTON_MOVE_DOWN;
    case IconName::DuplicateButton: return IDI_BUTTON_DUPLICATE;
  }
  return 0;
}

}  // namespace

Icon LoadProgramIcon(Module module, IconName name, int size) {
  HANDLE icon = LoadImageW(ToHinstance(module), MAKEINTRESOURCEW(ResourceOf(name)), IMAGE_ICON, size, size,
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
