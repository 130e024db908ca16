// The small dialogs of the program: "О программе", the new-version dialog
// and the list of new letters. Each runs modally on the main thread.
#pragma once

#include <windows.h>

class Application;

namespace ui {

void RunAboutDialog(Application& application);
// Shows what the last check left in SiteVersion; the result is the
// command that closed it (IDC_NEWER_GO when the user went to the
// new-version page).
INT_PTR RunVersionDialog(Application& application, HWND owner);
// Without owner, for the tray.
void RunVersionDialogAlone(Application& application);
void RunNewMailListDialog(Application& application);

}  // namespace ui
