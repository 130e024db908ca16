// The one base of the program's dialogs and of the settings dialog's pages.
// A dialog is a small object made before its window: the opening call hands
// it to Windows as WM_INITDIALOG's lParam, the shared dialog procedure keeps
// it in the window's DWLP_USER and passes every later message to it.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

class Application;

namespace ui {

class Dialog {
 public:
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Null before the window is made and after it is gone.
  HWND Window() const { return Handle; }

  // The open dialog of this thread marked as `kind` (MarkOpen), or null. For
  // what reaches a dialog later from outside it: a connection test's report,
  // a version check's answer, a keyboard hook. Each kind is open once at most.
  static Dialog* FindOpen(const wchar_t* kind);
  // The same, asked of one top-level window.
  static Dialog* OpenAt(HWND window, const wchar_t* kind);

 protected:
  explicit Dialog(Application& application) : App(application) {}
  // Never deleted through the base: each dialog lives on its opener's stack
  // or inside the dialog that shows it.
  ~Dialog() = default;

  // Runs the dialog modally from the program's template `templateId`; the
  // result is what EndDialog was given, or -1 when it could not open.
  INT_PTR RunModal(int templateId, HWND owner);
  // Makes the dialog as a child of `parent` (a page inside a tab control);
  // null when it could not. The caller owns the window.
  HWND CreateChild(int templateId, HWND parent);

  // The messages, as a dialog procedure answers them: TRUE when handled.
  // OnInit's TRUE lets the system put the focus on the first control.
  virtual INT_PTR OnInit() { return TRUE; }
  virtual INT_PTR OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return FALSE; }
  virtual INT_PTR OnNotify(const NMHDR& /*header*/) { return FALSE; }
  virtual void OnDestroy() {}
  // Every other message.
  virtual INT_PTR OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return FALSE; }

  // From OnInit on, FindOpen(kind) finds this dialog until its window goes.
  // `kind` is a literal: it is kept.
  void MarkOpen(const wchar_t* kind);
  // The program's envelope in the caption.
  void ShowSmallIcon();

  Application& App;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HWND Handle = nullptr;
  const wchar_t* Mark = nullptr;
};

}  // namespace ui
