// The program's dialogs. They are Windows-only (ui/), so the portable code
// reaches them through these entries, which the exe's entry fills in and
// host tests fill with recorders. An empty entry opens nothing.
#pragma once

class Application;

struct DialogSet {
  // The settings dialog, modal and without owner, on the page of LastTabPos
  // and the current mailbox.
  void (*Settings)(Application& application) = nullptr;
};
