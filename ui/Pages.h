// The four pages of the settings dialog: child dialogs inside its tab
// control, each an object the settings dialog owns, and what it asks of
// them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "platform/win32/Handles.h"
#include "ui/Dialog.h"

namespace ui {

class SettingsDialog;

// What the pages share: the settings dialog they sit in.
class Page : public Dialog {
 public:
  // The page's window inside the settings dialog's tab control; null when
  // it could not be made. The settings dialog owns it.
  HWND Create(int templateId, HWND tabs) { return CreateChild(templateId, tabs); }

 protected:
  Page(Application& application, SettingsDialog& frame) : Dialog(application), Frame(frame) {}
  ~Page() = default;

  // A page is made hidden and must not take the focus from the dialog.
  INT_PTR OnInit() override { return FALSE; }

  SettingsDialog& Frame;
};

// "Общие": copied into the settings only by "Сохранить".
class GeneralPage : public Page {
 public:
  GeneralPage(Application& application, SettingsDialog& frame) : Page(application, frame) {}
  void Store();

 private:
  INT_PTR OnInit() override;
  INT_PTR OnCommand(int id, int code, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// "Ящики": the current mailbox of the list.
class MailboxPage : public Page {
 public:
  MailboxPage(Application& application, SettingsDialog& frame) : Page(application, frame) {}
  // Shows the current box, or copies itself into it.
  void Load();
  void Store();

 private:
  // A connection test's report, which finds its page through the open
  // settings dialog: it carries nothing but its test's number.
  static void ConnectionTested(int32_t test, int32_t code, platform::TlsFailure tlsFailure);

  INT_PTR OnInit() override;
  INT_PTR OnCommand(int id, int code, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDestroy() override;

  void SetSpeakerDefaults();
  void TestSound();
  void TestConnection();
  void Report(int32_t code, platform::TlsFailure tlsFailure = platform::TlsFailure::None);

  // The box whose connection test runs, by its id and name: the user may
  // move to another box, or delete this one, while it runs.
  int32_t TestedBox = 0;
  std::string TestedName;
  // The test whose report the page waits for, 0 for none. The numbers are
  // the application's (DialogSet::LastConnectionTest), so the report of a
  // test from an earlier opening of the dialog never matches.
  int32_t AwaitedTest = 0;
};

// "Команды": the table of the tray menu's commands, edited in place.
class CommandsPage : public Page {
 public:
  CommandsPage(Application& application, SettingsDialog& frame) : Page(application, frame) {}
  void Store();
  // An open cell editor puts its text into its cell and closes; nothing
  // happens when none is open.
  void TakeOpenCellEdit() { EndCellEdit(true); }

 private:
  static LRESULT CALLBACK EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR page);

  INT_PTR OnInit() override;
  INT_PTR OnCommand(int id, int code, HWND control) override;
  INT_PTR OnNotify(const NMHDR& header) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDestroy() override;

  void EndCellEdit(bool take);
  void OpenCellEditor();
  void ChangeRows(int id);

  // The table, and the cell editor that floats above one of its cells.
  HWND List = nullptr;
  platform::win32::OwnedHwnd Editor;
  int Row = -1;
  int Column = -1;
};

// "Антиспам" shows two empty lists and does nothing else yet.
class AntispamPage : public Page {
 public:
  AntispamPage(Application& application, SettingsDialog& frame) : Page(application, frame) {}

 private:
  INT_PTR OnCommand(int id, int code, HWND control) override;
};

}  // namespace ui
