// The four pages of the settings dialog: child dialogs inside its tab
// control, each with its procedure, and what the frame asks of them.
#pragma once

#include <windows.h>

namespace ui {

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MailboxPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CommandsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AntispamPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The mailbox page shows the current box, or copies itself into it.
void LoadMailboxPage(HWND page);
void StoreMailboxPage(HWND page);
// Copies the page into the settings or the command list ("Сохранить").
void StoreGeneralPage(HWND page);
void StoreCommandsPage(HWND page);
// An open cell editor of the commands page puts its text into its cell and
// closes; nothing happens when none is open.
void TakeOpenCellEdit();

// Enter on a page means what it means in any dialog: the frame's default
// button. Pages pass it on with this.
void PassEnterToFrame();

}  // namespace ui
