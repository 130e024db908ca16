// "Настройки Вестуна": the tabbed dialog that edits the running program's
// settings, mailboxes and commands; only "Сохранить" writes the registry.
#pragma once

#include <windows.h>

class Application;

namespace ui {

// Runs the dialog modally without owner, on the page of LastTabPos and the
// current mailbox. While it is open a second opening only brings it forward.
void RunSettingsDialog(Application& application);

// A tooltip for one control of the dialog or of one of its pages; a control
// that does not exist is skipped.
void AddTooltip(HWND window, int controlId, const char* text);
void RemoveTooltip(HWND window, int controlId);

}  // namespace ui
