#include "ui/FileChooser.h"

#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Library.h"
#include "platform/win32/Text.h"
#include "ui/Controls.h"

namespace ui {
namespace {

// The start text is looked at up to this length.
constexpr size_t kStartTextMax = 300;
// Room for the chosen path. Generous, so that an ordinary deep path is taken
// whole; a longer one is refused by the dialog and the field stays as it was.
constexpr size_t kPathRoom = 1024;

// The common dialogs are loaded by the first chooser: they bring printing
// and more with them, which a program at rest has no use for.
struct CommonDialogs {
  decltype(&GetOpenFileNameW) OpenFileName;
};

bool FillCommonDialogs(HMODULE module, CommonDialogs& dialogs) {
  return platform::win32::FindEntry(module, "GetOpenFileNameW", dialogs.OpenFileName);
}

platform::win32::SystemLibrary<CommonDialogs, FillCommonDialogs> g_comdlg32(L"comdlg32.dll");

}  // namespace

const FileKind kProgramFiles = {"Программы", "*.exe"};
const FileKind kWaveFiles = {"WAV-ы", "*.wav"};

bool ChooseFile(HWND owner, const char* text, const FileKind& kind, std::string& chosen) {
  // Without the dialog nothing can be chosen: as if the user cancelled.
  const CommonDialogs* dialogs = g_comdlg32.Get();
  if (dialogs == nullptr) return false;
  std::string start(text, std::min(std::char_traits<char>::length(text), kStartTextMax));
  start.erase(std::remove(start.begin(), start.end(), '"'), start.end());
  const std::wstring wideStart = platform::win32::Wide(start.c_str());
  std::vector<wchar_t> path(kPathRoom, L'\0');
  std::copy(wideStart.begin(), wideStart.end(), path.begin());
  // The filter is pairs of NUL-ended texts and an empty one at the end.
  const std::wstring filter = platform::win32::Wide(kind.Name) + L'\0' + platform::win32::Wide(kind.Pattern) +
                              L'\0' + L'\0';
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  // The program's working folder stays where it was.
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!dialogs->OpenFileName(&dialog)) return false;
  path.back() = L'\0';
  if (platform::win32::Narrow(path.data(), wcslen(path.data()), chosen)) return true;
  TellForeignPath(owner);
  return false;
}

}  // namespace ui
