// The program's dialogs. They are Windows-only (ui/), so the portable code
// reaches them through these entries, which the exe's entry fills in and
// host tests fill with recorders. An empty entry opens nothing.
#pragma once

#include <cstdint>

class Application;

struct DialogSet {
  // The settings dialog, modal and without owner, on the page of LastTabPos
  // and the current mailbox.
  void (*Settings)(Application& application) = nullptr;
  // "О программе", modal without owner.
  void (*About)(Application& application) = nullptr;
  // The new-version dialog with what the last check left in SiteVersion,
  // modal without owner.
  void (*Version)(Application& application) = nullptr;
  // The list of new letters, modal, above and left of the mouse cursor.
  void (*NewMailList)(Application& application) = nullptr;

  // The settings dialog's connection tests are numbered over the whole run:
  // a report that comes after its dialog has closed is then never taken for
  // one of a dialog opened later.
  int32_t LastConnectionTest = 0;
};
