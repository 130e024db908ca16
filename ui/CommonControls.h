// The common controls, loaded by the first dialog that shows them rather
// than imported: under Wine their library alone holds most of a megabyte
// from its start on, which a program at rest in the tray has no use for.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace ui {

struct CommonControls {
  decltype(&InitCommonControlsEx) Register;
  decltype(&SetWindowSubclass) Subclass;
  decltype(&DefSubclassProc) DefaultProc;
};

// Loads comctl32 on the first call; null when it or one of these functions
// is missing. Once it gave the table, it gives the same one ever after.
const CommonControls* LoadCommonControls();

// Loads comctl32 and registers the classes (ICC_*) a dialog shows; false
// when it cannot, and the dialog cannot open.
bool RegisterCommonControls(DWORD classes);

}  // namespace ui
