#include "ui/Controls.h"

#include <vector>

#include "common/Texts.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace ui {

std::string WindowText(HWND window, int capacity) {
  std::vector<wchar_t> buffer(static_cast<size_t>(capacity > 0 ? capacity : 1), L'\0');
  const int length = window != nullptr ? GetWindowTextW(window, buffer.data(), capacity) : 0;
  std::string text;
  platform::win32::Narrow(buffer.data(), static_cast<size_t>(length > 0 ? length : 0), text);
  return text;
}

void SetWindowTextTo(HWND window, const char* text) {
  SetWindowTextW(window, platform::win32::Wide(text).c_str());
}

void ReadField(HWND dialog, int id, std::string& text, int capacity) {
  text = WindowText(GetDlgItem(dialog, id), capacity);
}

void ShowField(HWND dialog, int id, const char* text) { SetWindowTextTo(GetDlgItem(dialog, id), text); }

bool RepresentableText(HWND window, std::string& text) {
  text.clear();
  const int length = window != nullptr ? GetWindowTextLengthW(window) : 0;
  if (length <= 0) return true;
  std::vector<wchar_t> typed(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, typed.data(), length + 1);
  if (platform::win32::Narrow(typed.data(), static_cast<size_t>(got > 0 ? got : 0), text)) return true;
  text.clear();
  std::string one;
  for (int i = 0; i < got; ++i) {
    // Half a pair has no form of its own: the pair goes as one character.
    const bool pair = IS_HIGH_SURROGATE(typed[i]) && i + 1 < got && IS_LOW_SURROGATE(typed[i + 1]);
    if (!pair && platform::win32::Narrow(&typed[i], 1, one)) text += one;
    if (pair) ++i;
  }
  return false;
}

void TellForeignTextTakenOut(HWND owner) {
  platform::ShowMessageBox(platform::win32::FromHwnd(owner), texts::kForeignText, texts::kCaptionError,
                           platform::BoxButtons::Ok, platform::BoxIcon::Warning);
}

void TellForeignPath(HWND owner) {
  platform::ShowMessageBox(platform::win32::FromHwnd(owner), texts::kForeignPath, texts::kCaptionError,
                           platform::BoxButtons::Ok, platform::BoxIcon::Warning);
}

void RefuseForeignText(HWND edit) {
  std::string kept;
  if (RepresentableText(edit, kept)) return;
  // Setting the text reports a change again, which then finds nothing to take out.
  SetWindowTextTo(edit, kept.c_str());
  SendMessageW(edit, EM_SETSEL, kept.size(), kept.size());
  PostMessageW(GetParent(edit), kMsgForeignTextTakenOut, 0, 0);
}

void ShowNumber(HWND dialog, int id, uint32_t number) { SetDlgItemInt(dialog, id, number, FALSE); }

bool Ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Tick(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

void Enable(HWND dialog, int id, bool on) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return;
  if (!on && GetFocus() == control) SendMessageW(GetParent(control), WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(control, on ? TRUE : FALSE);
}

void PutIcon(HWND dialog, int id, HICON icon) {
  SendDlgItemMessageW(dialog, id, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

}  // namespace ui
