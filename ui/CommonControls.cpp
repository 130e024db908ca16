#include "ui/CommonControls.h"

#include "platform/win32/Library.h"

namespace ui {
namespace {

bool FillCommonControls(HMODULE module, CommonControls& controls) {
  using platform::win32::FindEntry;
  return FindEntry(module, "InitCommonControlsEx", controls.Register) &&
         FindEntry(module, "SetWindowSubclass", controls.Subclass) &&
         FindEntry(module, "DefSubclassProc", controls.DefaultProc);
}

// The version the program's manifest asks for is the one that loads: the
// side-by-side redirection comes before any search of folders.
platform::win32::SystemLibrary<CommonControls, FillCommonControls> g_comctl32(L"comctl32.dll");

}  // namespace

const CommonControls* LoadCommonControls() { return g_comctl32.Get(); }

bool RegisterCommonControls(DWORD classes) {
  const CommonControls* controls = g_comctl32.Get();
  INITCOMMONCONTROLSEX registration = {sizeof registration, classes};
  return controls != nullptr && controls->Register(&registration);
}

}  // namespace ui
