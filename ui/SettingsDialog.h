// "Настройки Вестуна": the tabbed dialog that edits the running program's
// settings, mailboxes and commands; only "Сохранить" writes the registry.
#pragma once

#include <cstdint>

#include "platform/win32/Handles.h"
#include "settings/SettingsPage.h"
#include "ui/Dialog.h"
#include "ui/Pages.h"

class Application;

namespace ui {

// Runs the dialog modally without owner, on the page of LastTabPos and the
// current mailbox. While it is open a second opening only brings it forward.
void RunSettingsDialog(Application& application);

class SettingsDialog : public Dialog {
 public:
  explicit SettingsDialog(Application& application);
  void Run();

  // The open one, or null. It is modal and the program has one main thread,
  // so there is at most one.
  static SettingsDialog* FindOpen();

  // A connection test's report reaches its page through here.
  MailboxPage& Mailboxes() { return BoxPage; }

  // A tooltip for one control of the dialog or of one of its pages; a
  // control that does not exist is skipped.
  void AddTooltip(HWND window, int controlId, const char* text);
  void RemoveTooltip(HWND window, int controlId);
  // Enter on a page means what it means in any dialog: the default button.
  // Pages pass it on with this.
  void PassEnter();

 private:
  static constexpr wchar_t kKind[] = L"Vestun.Settings";
  static LRESULT CALLBACK PageKeyboardHook(int code, WPARAM wParam, LPARAM lParam);

  INT_PTR OnInit() override;
  INT_PTR OnCommand(int id, int code, HWND control) override;
  INT_PTR OnNotify(const NMHDR& header) override;

  HWND PageWindow(SettingsPage page) const { return PageWindows[NumberOf(page)].Get(); }
  HWND CreatePage(int index);
  void OfferKeyToPages(MSG& message);
  void UpdateNavigation();
  void ShowPage(SettingsPage page, bool initial);
  void LockCancel();
  void Close(int result);
  void GoTo(int32_t index);
  void AddBox();
  void DeleteBox();
  void MoveBox(int32_t step);
  void Save();

  GeneralPage General;
  MailboxPage BoxPage;
  CommandsPage Commands;
  AntispamPage Antispam;
  // In tab order: a SettingsPage's number is the index of its page here.
  Page* const Pages[kSettingsPageCount];
  platform::win32::OwnedHwnd PageWindows[kSettingsPageCount];
  HWND Tabs = nullptr;
  platform::win32::OwnedHwnd Tooltip;
  platform::win32::OwnedHook Hook;
  // An added, deleted or moved box cannot be taken back: from then on the
  // dialog is left through "Сохранить" only.
  bool Locked = false;
};

}  // namespace ui
