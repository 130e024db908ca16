#include "ui/Dialog.h"

#include "app/Application.h"
#include "platform/win32/Handles.h"

namespace ui {
namespace {

struct Search {
  const wchar_t* Kind;
  Dialog* Found;
};

BOOL CALLBACK LookAt(HWND window, LPARAM lParam) {
  Search& search = *reinterpret_cast<Search*>(lParam);
  search.Found = Dialog::OpenAt(window, search.Kind);
  return search.Found == nullptr ? TRUE : FALSE;
}

}  // namespace

// The program's dialogs are top-level windows of the main thread, so looking
// at that thread's windows finds every open one without a list of our own.
Dialog* Dialog::FindOpen(const wchar_t* kind) {
  Search search = {kind, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), LookAt, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

Dialog* Dialog::OpenAt(HWND window, const wchar_t* kind) {
  return window != nullptr ? static_cast<Dialog*>(GetPropW(window, kind)) : nullptr;
}

INT_PTR Dialog::RunModal(int templateId, HWND owner) {
  return DialogBoxParamW(platform::win32::ToHinstance(App.Instance), MAKEINTRESOURCEW(templateId), owner,
                         Procedure, reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateChild(int templateId, HWND parent) {
  return CreateDialogParamW(platform::win32::ToHinstance(App.Instance), MAKEINTRESOURCEW(templateId), parent,
                            Procedure, reinterpret_cast<LPARAM>(this));
}

void Dialog::MarkOpen(const wchar_t* kind) {
  if (Handle != nullptr && SetPropW(Handle, kind, this)) Mark = kind;
}

void Dialog::ShowSmallIcon() {
  const HICON icon = platform::win32::ToHicon(App.SmallIcon);
  SendMessageW(Handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<Dialog*>(lParam);
    dialog->Handle = window;
    SetWindowLongPtrW(window, DWLP_USER, lParam);
  } else {
    dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  }
  // WM_SETFONT and a few more come before WM_INITDIALOG, when there is no
  // object yet: the system's handling is enough for them.
  if (dialog == nullptr) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = dialog->Dispatch(message, wParam, lParam);
  } catch (...) {
    // Only a failed allocation can get here. The system's frames between
    // this procedure and the message loop cannot be unwound through, so the
    // message is left to the system's own handling.
    result = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->Handle = nullptr;
  }
  return result;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit();
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DESTROY:
      OnDestroy();
      // A window property must go before its window does.
      if (Mark != nullptr) RemovePropW(Handle, Mark);
      Mark = nullptr;
      return FALSE;
    default:
      return OnMessage(message, wParam, lParam);
  }
}

}  // namespace ui
