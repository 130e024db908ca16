// The tray's popup menus, and the openers of the dialogs they lead to.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/SettingsPage.h"

class Application;
class Mailbox;

// Menu item ids of the tray menu's own items.
constexpr uint32_t kSettingsId = 40001;
constexpr uint32_t kExitId = 40002;
constexpr uint32_t kAboutId = 40006;
constexpr uint32_t kStatisticsId = 40008;

// Menu item ids of the user's commands: the first 1000 commands of the list.
constexpr uint32_t kFirstCommandId = 2024;
constexpr uint32_t kLastCommandId = 3023;

// A box menu item's text takes at most 199 bytes and its NUL.
constexpr size_t kMenuItemSize = 200;

// The box's item text: its name alone, or with counts "NAME\t:)  N шт."
// (checked) when it has new mail and "NAME\t:(" when it has none. A name too
// long for the item is cut at its end, so that the count always shows.
// Returns whether the item is checked.
bool BoxMenuText(const Mailbox& box, bool withCounts, char (&text)[kMenuItemSize]);

// The right-click menu of the quiet envelope: settings, statistics (greyed),
// about, exit, then the user's commands. Does nothing while another menu or
// dialog of the program holds the modal guard.
void ShowTrayMenu(Application& application);

// The menu of the enabled mailboxes; choosing one starts its mail program
// and acknowledges its mail.
void ShowBoxMenu(Application& application, bool withCounts);

// Each runs its dialog under the modal guard, and goes on when another menu
// or dialog holds it.
void OpenSettingsDialog(Application& application);
// The settings on this page (and, from 0 up, this box). While the dialog is
// open already it is only brought forward: moving its page or box under it
// would store what it shows into another box.
void OpenSettingsAt(Application& application, SettingsPage page, int32_t boxIndex = -1);
// The mail program of the box with this id did not start: asks whether to
// mend its path and, on Yes, opens the settings on the box, found again by
// its id, since the box may be gone or moved once the question is answered.
// A box has one such question at a time.
void OfferToMendMailProgram(Application& application, int32_t boxId);
// Not while another dialog or menu holds the modal guard.
void OpenNewMailListDialog(Application& application);
void OpenVersionDialog(Application& application);
